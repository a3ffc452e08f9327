#pragma once

#include "link/common/link.h"

namespace kivo::link::parport {

// Reads the four memory figures; each is stored as soon as it arrives.
LinkStatus ReadMemoryInfo(Link& link);

}  // namespace kivo::link::parport
