#pragma once

#include <array>
#include <cstdint>

namespace kivo::link {

// The 3-byte Hamming code that SmartMedia keeps for every 256 data bytes.
std::array<uint8_t, 3> SmartMediaEcc(const uint8_t* data256);

}  // namespace kivo::link
