#pragma once

#include "link/common/link.h"

namespace kivo::link::usb {

// Reads the version and configuration block as one reply; only a whole reply changes the
// block, its play-order count and the version text.
LinkStatus ReadVersionAndConfig(Link& link);

}  // namespace kivo::link::usb
