#pragma once

#include "platform/win/api.h"

#include <filesystem>

// The folder of the running program (or of the module that asks, for libraries).
KIVO_WIN_API std::filesystem::path ProgramFolder();

// Starts a program named without a folder: the program's own folder first, then PATH; no
// arguments. Fire and forget: the result is not reported.
KIVO_WIN_API void WinExec(const char* program, int show);

// Opens a web address in the user's browser (xdg-open); failures are silent.
KIVO_WIN_API void ShellOpen(const char* address);
