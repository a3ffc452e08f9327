#pragma once

#include "link/common/link.h"

namespace kivo::link {

// Formats the memory card: asks for the card's codes, builds the card's image in a temporary
// file (removed afterwards), has the card erased and sends the image. 0; -1 for no card or a
// refused step; -115 when the image cannot be written or read; or a channel status.
LinkStatus FormatMemoryCard(Link& link);

// Asks the player for the inserted card's maker and device code (maker 0: no card).
LinkStatus ReadCardCodes(Link& link, uint8_t codes[2]);

}  // namespace kivo::link
