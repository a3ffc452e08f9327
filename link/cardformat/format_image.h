#pragma once

#include <cstdint>
#include <filesystem>

namespace kivo::link {

inline constexpr int32_t kFormatImageCannotCreate = -11;

// Writes the memory card's format image for the card's codes to `path`: 0 when written (an
// empty file for a card without a geometry), -11 when the file cannot be created or written
// (a partly written image is removed, so that it is never sent).
int32_t BuildFormatImageAt(const std::filesystem::path& path, uint8_t maker, uint8_t device);

}  // namespace kivo::link
