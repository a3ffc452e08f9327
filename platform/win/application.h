#pragma once

#include "platform/win/api.h"
#include "platform/win/types.h"

#include <string>

// The process's application object: its title captions every message box of the program, and
// its main window owns them. Each program sets both at start.
KIVO_WIN_API void SetApplicationTitle(std::string title);
KIVO_WIN_API const std::string& ApplicationTitle();
KIVO_WIN_API void SetApplicationWindow(HWND window);
KIVO_WIN_API HWND ApplicationWindow();
