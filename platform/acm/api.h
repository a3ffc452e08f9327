#pragma once

// The compression manager is one shared library per process, so that every module sees the
// same list of codec drivers.
#define KIVO_ACM_API __attribute__((visibility("default")))
