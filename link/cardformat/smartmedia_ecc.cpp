#include "link/cardformat/smartmedia_ecc.h"

#include <bit>

namespace kivo::link {

std::array<uint8_t, 3> SmartMediaEcc(const uint8_t* data256) {
    // Line parities: bit 2k collects the odd-parity bytes whose index has bit k clear,
    // bit 2k+1 those whose index has bit k set.
    uint16_t lines = 0;
    uint8_t column = 0;
    for (unsigned i = 0; i < 256; ++i) {
        const uint8_t byte = data256[i];
        column ^= byte;
        if ((std::popcount(byte) & 1) == 0)
            continue;
        for (unsigned k = 0; k < 8; ++k)
            lines ^= static_cast<uint16_t>(1u << (2 * k + ((i >> k) & 1)));
    }
    auto bit = [column](unsigned n) { return (column >> n) & 1u; };
    const unsigned cp0 = bit(0) ^ bit(2) ^ bit(4) ^ bit(6);
    const unsigned cp1 = bit(1) ^ bit(3) ^ bit(5) ^ bit(7);
    const unsigned cp2 = bit(0) ^ bit(1) ^ bit(4) ^ bit(5);
    const unsigned cp3 = bit(2) ^ bit(3) ^ bit(6) ^ bit(7);
    const unsigned cp4 = bit(0) ^ bit(1) ^ bit(2) ^ bit(3);
    const unsigned cp5 = bit(4) ^ bit(5) ^ bit(6) ^ bit(7);
    const unsigned columns =
        (cp0 << 2) | (cp1 << 3) | (cp2 << 4) | (cp3 << 5) | (cp4 << 6) | (cp5 << 7);
    return {static_cast<uint8_t>(~lines & 0xFF), static_cast<uint8_t>(~(lines >> 8) & 0xFF),
            static_cast<uint8_t>(~columns & 0xFF)};
}

}  // namespace kivo::link
