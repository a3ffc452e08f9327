#pragma once

#include "link/common/link.h"

#include <cstdint>
#include <span>

namespace kivo::link {

// Runs the status check, and again after each wait while it fails. When every try failed the
// memory figures read 0 and the version text is a single blank; the last try's status is
// returned.
LinkStatus CheckStatusWithRetries(Link& link, std::span<const uint32_t> waitsMs);

}  // namespace kivo::link
