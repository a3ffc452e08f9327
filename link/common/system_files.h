#pragma once

#include "link/common/link.h"

namespace kivo::link {

inline constexpr uint8_t kSerialFileIndex = 1;
inline constexpr uint8_t kConfigFileIndex = 2;
inline constexpr uint8_t kEncoderFileIndex = 3;
inline constexpr uint8_t kDecoderFileIndex = 4;
inline constexpr uint32_t kConfigFileBytes = 260;
inline constexpr uint32_t kSerialFileBytes = 8;

// Each replaces its system file: the old one is deleted first, whatever that gives.
LinkStatus WriteConfigFile(Link& link);
LinkStatus WriteMasImages(Link& link);
LinkStatus WriteSerialFile(Link& link, const char* deviceTag);

// Whether the player takes a command and answers a byte within the short timeout.
LinkStatus CheckDeviceStatus(Link& link);

}  // namespace kivo::link
