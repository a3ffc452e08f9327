#pragma once

#include "platform/win/lang.h"

#include <cstdint>

// The parts of the system's default language identifier, to compare with the kLang constants
// of platform/win/lang.h.
uint16_t SystemPrimaryLang();
uint16_t SystemSubLang();

// The name of the programs' text pack for the system language: Korean texts on a Korean
// system, English ones everywhere else.
const char* TextPackName();
