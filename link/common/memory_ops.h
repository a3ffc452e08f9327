#pragma once

#include "link/common/link.h"

#include <cstdint>

namespace kivo::link {

inline constexpr uint8_t kInternalMemory = 0;
inline constexpr uint8_t kMemoryCard = 1;

// Empties one memory; the player's acknowledgement is not examined.
LinkStatus InitializeMemory(Link& link, uint8_t memoryType);

// Deletes a file by index; the player's acknowledgement is not examined.
LinkStatus DeleteDeviceFile(Link& link, uint8_t index);

}  // namespace kivo::link
