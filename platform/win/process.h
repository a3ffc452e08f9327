#pragma once

#include "platform/win/api.h"

#include <filesystem>
#include <functional>
#include <string>

// The folder of the running program (or of the module that asks, for libraries).
KIVO_WIN_API std::filesystem::path ProgramFolder();

// Where a program named without a folder is found: the program's own folder first, then the
// folders of PATH. A name given with ".exe" (any case) means the program without it. Empty when
// it is nowhere.
KIVO_WIN_API std::filesystem::path FindProgram(const char* program);

// Starts the program FindProgram finds, without arguments. Fire and forget: the result is not
// reported.
KIVO_WIN_API void WinExec(const char* program, int show);

// Opens a web address in the user's browser (xdg-open); failures are silent. A text that
// xdg-open would take for an option (a leading "-") is not passed on.
KIVO_WIN_API void ShellOpen(const char* address);

// What WinExec and ShellOpen start: the program (a path, or a name looked up in PATH) and its
// one argument, empty for none.
struct ProcessLaunch {
    std::string program;
    std::string argument;
};
// Tests replace the starting of real processes; an empty hook starts them again.
using LaunchHook = std::function<void(const ProcessLaunch&)>;
KIVO_WIN_API void SetLaunchHook(LaunchHook hook);
