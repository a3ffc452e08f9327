#pragma once

// The base layer is one shared library per process, like the system libraries it stands in for:
// windows, hooks and the clock must be the same object for every module that uses them.
#define KIVO_WIN_API __attribute__((visibility("default")))
