#pragma once

#include "link/common/link.h"

#include <cstdint>

namespace kivo::link::parport {

// Copies a player file to a new PC file in blocks, with progress and stop. 0; -1 for an empty
// player file (no PC file made); -101 when stopped; -103 when the player ends the copy; -115
// when the PC file cannot be created or written; or a channel status.
LinkStatus DownloadFile(Link& link, uint8_t index, const char* path);

}  // namespace kivo::link::parport
