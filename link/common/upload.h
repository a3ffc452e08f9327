#pragma once

#include "link/common/link.h"

#include <cstdint>

namespace kivo::link {

// Copies a PC file to one memory of the player in blocks, with progress and stop. 0, -101
// when stopped, -1 when the player stored no file (it answered index 0; the play order stays
// as it was), -115 when the PC file cannot be opened or read, cannot be described in the
// header (2 GiB or more, more blocks than the count field holds), or a channel status.
LinkStatus UploadFile(Link& link, uint8_t memoryType, const char* path);

}  // namespace kivo::link
