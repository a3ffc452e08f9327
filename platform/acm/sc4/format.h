#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::sc4 {

inline constexpr uint16_t kFormatTag = 0x0350;
inline constexpr size_t kBlockBytes = 30;
inline constexpr size_t kCodeBytes = 29;
inline constexpr uint8_t kTrailer = 0x55;
// One code per nibble: 58 mono samples or 29 stereo frames per block.
inline constexpr size_t kCodesPerBlock = 2 * kCodeBytes;

struct StreamFormat {
    uint32_t samplesPerSec = 0;
    unsigned channels = 0;
};

// Only these rates have a sync marker; any other rate would make ordinary data look like one.
bool IsSupported(const StreamFormat& format);

// The 16-bit marker a block may start with at this rate: 0x011B or 0x02B2; 0 for other rates.
uint16_t SyncMarker(uint32_t samplesPerSec);

inline unsigned SamplesPerBlock(unsigned channels) {
    return static_cast<unsigned>(kCodesPerBlock) / channels;
}

inline uint32_t AverageBytesPerSec(const StreamFormat& format) {
    return static_cast<uint32_t>(uint64_t{format.samplesPerSec} * kBlockBytes /
                                 SamplesPerBlock(format.channels));
}

}  // namespace kivo::sc4
