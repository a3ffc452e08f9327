#pragma once

#include "platform/win/types.h"

#include <string>
#include <vector>

// A string of a resource library (platform/resources), at most 1023 bytes; empty for a missing
// string or a module handle of 0.
std::string LoadModuleString(HMODULE module, UINT id);

// Fills a format text of the language packs: "%1" to "%9" become the values in that order (a
// number without a value becomes nothing), "%%" becomes "%", every other character stays. The
// values are inserted as they are and never read as formats themselves, so a translator's text
// or a file name with "%" in it cannot reach a printf-style formatter.
std::string FormatText(const std::string& format, const std::vector<std::string>& values);
