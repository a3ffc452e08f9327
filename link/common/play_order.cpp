#include "link/common/play_order.h"

#include <algorithm>

namespace kivo::link {

int16_t FindPlayOrderPosition(const LinkState& state, uint8_t index) {
    const auto begin = state.ConfigArea.begin();
    const auto found = std::find(begin, begin + kPlayOrderEntries, index);
    return found == begin + kPlayOrderEntries ? kNoPosition : static_cast<int16_t>(found - begin);
}

int16_t AppendPlayOrder(LinkState& state, uint8_t index) {
    if (state.PlayOrderCount < 0 ||
        state.PlayOrderCount >= static_cast<int16_t>(kPlayOrderEntries)) {
        return kNoPosition;
    }
    const int16_t position = state.PlayOrderCount++;
    state.ConfigArea[position] = index;
    return position;
}

void CountPlayOrder(LinkState& state) {
    const auto begin = state.ConfigArea.begin();
    state.PlayOrderCount =
        static_cast<int16_t>(kPlayOrderEntries - std::count(begin, begin + kPlayOrderEntries, 0));
}

}  // namespace kivo::link
