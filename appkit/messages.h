#pragma once

#include "platform/win/types.h"

#include <string>

// A message box owned by the application window and captioned with the application title
// (platform/win/application.h); the button pressed.
int ShowAppMessage(const std::string& text, UINT flags);
