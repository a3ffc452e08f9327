#pragma once

// The shell layer is one shared library per process: its dialog hook must be the same object
// for every module that shows or scripts the dialog.
#define KIVO_SHELL_API __attribute__((visibility("default")))
