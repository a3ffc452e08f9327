#pragma once

#include "link/common/link_state.h"

#include <cstdint>

namespace kivo::link {

inline constexpr char kCurrentGeneration[] = "01.30";

// Sets the version text from the four version digits of the version reply.
void SetPlayerVersion(LinkState& state, const uint8_t digits[4]);

// Players before "01.30" in a plain byte-wise comparison; the empty text and " " count too.
bool IsOlderPlayer(const LinkState& state);

}  // namespace kivo::link
