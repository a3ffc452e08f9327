#pragma once

#include "playersim/card_table.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What a correct format image for a card holds, so the player can refuse a wrong one.
namespace kivo::playersim {

// Three ECC bytes of 256 data bytes.
struct Ecc {
    uint8_t bytes[3];
};
Ecc SmartMediaEcc(std::span<const uint8_t, 256> data);

// The block-address field of logical block n: 0x1000 + 2n, plus one when that makes the
// number of one bits odd, so it is always even.
uint16_t BlockAddressField(uint32_t block);

// The image the card must receive, page by page as the PC sends it.
std::vector<uint8_t> ExpectedImage(const CardLayout& layout);

// Empty when `image` is right for the card, else where it first differs.
std::string CheckImage(const CardLayout& layout, std::span<const uint8_t> image);

}  // namespace kivo::playersim
