#pragma once

#include "platform/win/types.h"

#include <cstdio>
#include <string>

// Besides its own log, a fake link library reports each call, prefixed with its library name,
// to a journal that the test may install, so that the order across both libraries shows.
using FakeJournal = void (*)(const char* entry);

// How a fake library writes a window handle in its log.
inline std::string FakeWindowText(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", static_cast<void*>(window));
    return text;
}
