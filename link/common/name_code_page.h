#pragma once

#include "link/common/link_state.h"

#include <string>
#include <string_view>

namespace kivo::link {

// File names cross the wire in the player's code page and are UTF-8 on the PC.
uint32_t NameCodePage(const LinkState& state);
std::string ToNameCodePage(const LinkState& state, std::string_view utf8);
std::string FromNameCodePage(const LinkState& state, std::string_view bytes);

}  // namespace kivo::link
