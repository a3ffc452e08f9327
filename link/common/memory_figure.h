#pragma once

#include <cstdint>

namespace kivo::link {

// The player counts its memory in units of this many bytes.
inline constexpr int64_t kMemoryUnitBytes = 16896;

// A memory figure from the player's two-byte little-endian unit count.
inline int64_t MemoryFigureBytes(const uint8_t (&count)[2]) {
    return (count[0] | (count[1] << 8)) * kMemoryUnitBytes;
}

}  // namespace kivo::link
