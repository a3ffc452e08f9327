#pragma once

#include <string>
#include <string_view>

namespace kivo::wab {

// The name iconv knows for a character-set label as mail and address-book programs write it:
// the Korean labels of code page 949 and the Windows code-page labels ("windows-949",
// "x-windows-949", "x-cp1252") become "CP949", "CP1252", ...; any other label is kept.
std::string IconvCharsetName(std::string_view label);

}  // namespace kivo::wab
