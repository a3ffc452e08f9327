#pragma once

#include <cstdint>

namespace kivo::wab {

// Layout of the binary address-book file, shared by its reader and the test writer.
namespace wab_layout {

inline constexpr uint8_t kSignature[16] = {0x9C, 0xCB, 0xCB, 0x8D, 0x13, 0x75, 0xD2, 0x11,
                                           0x91, 0x58, 0x00, 0xC0, 0x4F, 0x79, 0x56, 0xA4};
// The older variant, whose layout is not known; only its first eight bytes are needed.
inline constexpr uint8_t kOlderSignature[8] = {0x81, 0x32, 0x84, 0xC1, 0x85, 0x05, 0xD0, 0x11};

inline constexpr uint32_t kDescriptorsOffset = 0x18;
inline constexpr uint32_t kDescriptorSize = 16;
inline constexpr uint32_t kDescriptorCount = 6;
inline constexpr uint32_t kIndexTableType = 0xFA0;
inline constexpr uint32_t kIndexEntrySize = 8;

inline constexpr uint32_t kRecordHeaderSize = 0x20;
inline constexpr uint32_t kRecordLive = 1;

}  // namespace wab_layout

}  // namespace kivo::wab
