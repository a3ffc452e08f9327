#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivo::wab {

// UTF-16LE up to its first zero unit, as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::span<const uint8_t> bytes);
// UTF-16 text without its byte-order mark, every unit, as UTF-8; a lone surrogate becomes
// U+FFFD and an odd last byte is dropped.
std::string Utf16TextToUtf8(std::span<const uint8_t> bytes, bool bigEndian);

// The text with every byte that does not start a well-formed UTF-8 sequence replaced by "_".
std::string SanitizeUtf8(std::string_view text);

}  // namespace kivo::wab
