#include "link/common/player_version.h"

#include <cstdio>
#include <cstring>

namespace kivo::link {

void SetPlayerVersion(LinkState& state, const uint8_t digits[4]) {
    auto digit = [&](int i) { return static_cast<int>(static_cast<int8_t>(digits[i])); };
    std::snprintf(state.PlayerVersionText.data(), state.PlayerVersionText.size(),
                  "%.1d%.1d.%.1d%.1d", digit(0), digit(1), digit(2), digit(3));
}

bool IsOlderPlayer(const LinkState& state) {
    // strcmp compares as unsigned characters, a prefix below the longer text.
    return std::strcmp(state.PlayerVersionText.data(), kCurrentGeneration) < 0;
}

}  // namespace kivo::link
