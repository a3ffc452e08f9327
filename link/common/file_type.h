#pragma once

#include <cstdint>
#include <string_view>

namespace kivo::link {

// The player's file type from the text at the last "." of the whole path; an extension counts
// in all lower-case or all upper-case letters only.
uint8_t DeviceFileTypeOf(std::string_view path);

// The text after the last separator, or the whole path when it has none.
std::string_view FileNameOf(std::string_view path);

}  // namespace kivo::link
