#pragma once

#include "platform/win/api.h"

// The locale-aware, case-sensitive text comparison that list sorts use, on UTF-8 texts:
// letters compare alphabetically first ("a" < "B"), punctuation and blanks before digits and
// digits before letters, character by character ("10" < "9"); only texts equal so far are told
// apart by case, the lower-case letter first ("a" < "A"), and last by their bytes. A null text
// counts as empty. Returns -1, 0 or 1.
KIVO_WIN_API int lstrcmpA(const char* first, const char* second);
