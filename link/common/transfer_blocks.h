#pragma once

#include <cstdint>

namespace kivo::link {

inline constexpr uint32_t kFirstBlockBytes = 16368;
inline constexpr uint32_t kLaterBlockBytes = 16888;
inline constexpr uint32_t kBlockBufferBytes = 17000;
inline constexpr uint32_t kNameFieldBytes = 515;
inline constexpr uint8_t kStopCode = 1;
inline constexpr uint8_t kPlayerAbortCode = 24;

inline constexpr uint32_t BlockLength(uint32_t block) {
    return block == 0 ? kFirstBlockBytes : kLaterBlockBytes;
}

// Block 0 carries 16368 bytes, every later one 16888; an empty file is one block.
inline constexpr uint32_t BlockCount(uint32_t size) {
    if (size <= kFirstBlockBytes)
        return 1;
    return 1 + (size - kFirstBlockBytes + kLaterBlockBytes - 1) / kLaterBlockBytes;
}

}  // namespace kivo::link
