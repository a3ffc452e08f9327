#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kivo::resources {

// A text pack, the translator's file of a resource library: UTF-8 lines of
//   identifier TAB text
// where the identifier is a decimal number 0 to 65535 and the text may hold the escapes \r, \n,
// \t and \\. Empty lines and lines that begin with "#" are comments; a leading byte-order mark
// and line ends of "\r\n" are taken as well.
struct ParsedPack {
    std::map<uint16_t, std::string> strings;
    // Empty on success, else what is wrong, as "line N: ...".
    std::string error;
};

ParsedPack ParsePack(std::string_view text);

}  // namespace kivo::resources
