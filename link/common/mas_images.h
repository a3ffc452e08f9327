#pragma once

#include <cstdint>
#include <span>

namespace kivo::link {

inline constexpr uint32_t kOlderEncoderBytes = 4912;
inline constexpr uint32_t kOlderDecoderBytes = 5100;
inline constexpr uint32_t kEncoderBytes = 8256;
inline constexpr uint32_t kDecoderBytes = 8588;

// The encoder and decoder images the link installs on the player, by player generation.
std::span<const uint8_t> EncoderImage(bool olderPlayer);
std::span<const uint8_t> DecoderImage(bool olderPlayer);

}  // namespace kivo::link
