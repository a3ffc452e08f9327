#pragma once

#include <cstdint>

namespace kivo::link {

// How both drivers open the player's channel: by the port's name, for reading and writing,
// the existing device only.
inline constexpr char kChannelName[] = "LPT1";
inline constexpr uint32_t kReadWrite = 0xC0000000;
inline constexpr uint32_t kOpenExisting = 3;
inline constexpr uint32_t kChannelFlags = 0x20000004;

}  // namespace kivo::link
