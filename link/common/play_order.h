#pragma once

#include "link/common/link_state.h"

#include <cstdint>

namespace kivo::link {

inline constexpr int16_t kNoPosition = -1;

// The first position 0 to 249 whose entry is the index; -1 when none is.
int16_t FindPlayOrderPosition(const LinkState& state, uint8_t index);

// Stores the index behind the used entries and returns its position; -1, storing nothing,
// when all 250 entries are used.
int16_t AppendPlayOrder(LinkState& state, uint8_t index);

// Counts the used entries of a freshly read table.
void CountPlayOrder(LinkState& state);

}  // namespace kivo::link
