#pragma once

#include <array>
#include <cstdint>

namespace kivo::sc4 {

// Log-magnitude offset of each 4-bit code; 2048 forces a zero magnitude.
inline constexpr std::array<uint32_t, 16> kDiff = {2048, 4,   135, 213, 273, 323, 373, 425,
                                                   425,  373, 323, 273, 213, 135, 4,   2048};

// Target that the step index moves toward after each code.
inline constexpr std::array<uint32_t, 16> kStep = {4084, 18,  41,  64,  112, 198, 355, 1122,
                                                   1122, 355, 198, 112, 64,  41,  18,  4084};

}  // namespace kivo::sc4
