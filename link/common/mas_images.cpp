#include "link/common/mas_images.h"

#include <array>

namespace kivo::link {

namespace {

// Each image begins with a tag naming its kind and generation; the rest is a fixed
// pseudo-random fill, computed when the library is compiled, so the bytes never change.
template <uint32_t N>
constexpr std::array<uint8_t, N> MakeImage(char kind, char generation, uint32_t seed) {
    std::array<uint8_t, N> image{};
    const char tag[8] = {'K', 'V', 'M', 'A', 'S', kind, generation, 0};
    uint32_t x = seed;
    for (uint32_t i = 0; i < N; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image[i] = i < sizeof tag ? static_cast<uint8_t>(tag[i]) : static_cast<uint8_t>(x >> 11);
    }
    return image;
}

constexpr auto kOlderEncoder = MakeImage<kOlderEncoderBytes>('E', '1', 0x1EC0DE01u);
constexpr auto kOlderDecoder = MakeImage<kOlderDecoderBytes>('D', '1', 0x1DEC0D01u);
constexpr auto kEncoder = MakeImage<kEncoderBytes>('E', '2', 0x2EC0DE02u);
constexpr auto kDecoder = MakeImage<kDecoderBytes>('D', '2', 0x2DEC0D02u);

}  // namespace

std::span<const uint8_t> EncoderImage(bool olderPlayer) {
    return olderPlayer ? std::span<const uint8_t>(kOlderEncoder)
                       : std::span<const uint8_t>(kEncoder);
}

std::span<const uint8_t> DecoderImage(bool olderPlayer) {
    return olderPlayer ? std::span<const uint8_t>(kOlderDecoder)
                       : std::span<const uint8_t>(kDecoder);
}

}  // namespace kivo::link
