#pragma once

#include <cstdint>

// Sizes and codes of the player's wire protocol.
namespace kivo::playersim {

inline constexpr uint32_t kUnitBytes = 16896;
inline constexpr uint32_t kFirstBlockBytes = 16368;
inline constexpr uint32_t kLaterBlockBytes = 16888;
inline constexpr uint32_t kNameBytes = 515;
inline constexpr uint32_t kEntryBytes = 522;
inline constexpr uint32_t kConfigBytes = 252;
inline constexpr uint32_t kVersionReplyBytes = 260;
inline constexpr uint32_t kImagePieceBytes = 528;

inline constexpr uint8_t kCancelStop = 1;
inline constexpr uint8_t kRefused = 24;
inline constexpr uint8_t kListEnd = 255;

enum class Memory : uint8_t { kFlash = 0, kCard = 1 };

// Which driver the PC talks through; the replies differ in a few places.
enum class Dialect : uint8_t { kParallel = 0, kUsb = 1 };

enum Command : uint8_t {
    kUpload = 1,
    kDownload = 2,
    kFileList = 3,
    kMemoryFigures = 4,
    kDelete = 5,
    kInitialize = 6,
    kVersion = 7,
    kStatus = 10,
    kWriteConfig = 11,
    kWriteEncoder = 12,
    kWriteDecoder = 13,
    kWriteSerial = 14,
    kCodePageGb = 25,
    kCodePageBig5 = 26,
    kCardCodes = 32,
    kCardErase = 33,
    kCardImage = 34,
};

// The fixed index of the system file that a write command (11 to 14) replaces.
inline constexpr uint8_t SystemFileIndex(uint8_t command) {
    switch (command) {
        case kWriteConfig:
            return 2;
        case kWriteEncoder:
            return 3;
        case kWriteDecoder:
            return 4;
        default:
            return 1;
    }
}

// Blocks the PC sends for a file of `size` bytes.
inline constexpr uint32_t BlockCount(uint32_t size) {
    if (size <= kFirstBlockBytes) {
        return 1;
    }
    return 1 + (size - kFirstBlockBytes + kLaterBlockBytes - 1) / kLaterBlockBytes;
}

inline constexpr uint32_t BlockBytes(uint32_t block) {
    return block == 0 ? kFirstBlockBytes : kLaterBlockBytes;
}

// Memory a file occupies, in units: its size rounded up, at least one.
inline constexpr uint32_t UnitsOf(uint64_t size) {
    return size == 0 ? 1 : static_cast<uint32_t>((size + kUnitBytes - 1) / kUnitBytes);
}

}  // namespace kivo::playersim
