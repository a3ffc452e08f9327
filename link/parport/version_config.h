#pragma once

#include "link/common/link.h"

namespace kivo::link::parport {

// Reads the player's version and configuration block; sets the version text, the block and
// the count of its play-order entries.
LinkStatus ReadVersionAndConfig(Link& link);

}  // namespace kivo::link::parport
