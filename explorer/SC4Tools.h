#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string>

namespace kivo::explorer {

// Wrapping the player's SC4 voice recordings (30-byte blocks behind a sync pattern, maybe
// preceded by other bytes) into RIFF/WAVE files of the SC4 codec.

struct SC4Format {
    uint8_t pattern[3];
    uint16_t channels;
    uint32_t samplesPerSecond;
    uint32_t averageBytesPerSecond;
    uint16_t samplesPerBlock;
};

// The sync patterns in the order they are tried; the one found gives the format.
inline constexpr std::array<SC4Format, 7> kSC4Formats = {{
    {{0x01, 0x1B, 0x1E}, 2, 8000, 8275, 29},
    {{0x01, 0x1B, 0x1D}, 1, 8000, 4137, 58},
    {{0x01, 0x1B, 0x1B}, 2, 11025, 11405, 29},
    {{0x01, 0x1B, 0x1A}, 1, 11025, 5702, 58},
    {{0x02, 0xB2, 0x2B}, 2, 16000, 16551, 29},
    {{0x02, 0xB2, 0x2C}, 1, 16000, 8275, 58},
    {{0x02, 0xB2, 0x2E}, 1, 32000, 16551, 58},
}};

inline constexpr size_t kSC4WaveHeaderSize = 48;
inline constexpr uint16_t kSC4FormatTag = 0x0350;

// The offset of the earliest sync pattern from the stream's current position, with its number
// in `pattern`; -1 when the stream ends first (`pattern` is then left alone).
int64_t FindSC4SyncBlock(std::istream& file, int& pattern);

// The 48-byte header of an SC4 wave file holding `dataSize` bytes of the given pattern's format.
std::array<uint8_t, kSC4WaveHeaderSize> BuildSC4WaveHeader(uint32_t dataSize, int pattern);

// The source path with the extension of its file name replaced by ".WAV" (or ".WAV" added).
std::string SC4WavePathFor(const std::string& source);

// Writes the wave file of the recording at `source` to `destination` (empty: SC4WavePathFor).
// 0 when the destination holds the complete file; -1 otherwise, and then the destination is as
// it was before. A recording without a sync pattern is told to the user in a message box. The
// source is only read, and a destination that is the source itself is refused.
int ConvertSC4ToWav(const std::string& source, const std::string& destination);

}  // namespace kivo::explorer
