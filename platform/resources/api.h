#pragma once

// The loader is one shared library per process, so a handle loaded by one module reads the same
// in every other.
#define KIVO_RES_API __attribute__((visibility("default")))
