#include "platform/acm/truespeech/frame.h"

namespace kivo::truespeech {
namespace {

// Each word is stored little-endian; fields run from its top bit down.
struct Field {
    int word;
    int shift;
    int width;
};

uint32_t Get(const std::array<uint32_t, 8>& w, Field f) {
    return (w[f.word] >> f.shift) & ((1u << f.width) - 1);
}

void Put(std::array<uint32_t, 8>& w, Field f, uint32_t value) {
    w[f.word] |= (value & ((1u << f.width) - 1)) << f.shift;
}

constexpr std::array<Field, kOrder> kReflectionField = {
    {{0, 1, 5}, {0, 6, 5}, {0, 11, 4}, {0, 15, 4}, {0, 19, 4}, {0, 23, 3}, {0, 26, 3}, {0, 29, 3}}};
constexpr Field kInterpolateField = {0, 0, 1};
constexpr Field kBase0High = {1, 28, 4};
constexpr Field kBase1Low = {2, 28, 4};
constexpr Field kBase1High = {3, 28, 4};

Field PitchField(int q) {
    return {1, 7 * q, 7};
}
Field AmplitudeField(int q) {
    return {2 + q / 2, 14 * (q % 2), 14};
}
Field Base0Bit(int q) {
    return {4 + q, 31, 1};
}
Field FirstRankField(int q) {
    return {4 + q, 19, 12};
}
Field SecondRankField(int q) {
    return {4 + q, 4, 15};
}
Field PulseGainField(int q) {
    return {4 + q, 0, 4};
}

}  // namespace

FrameFields UnpackFrame(std::span<const uint8_t, kFrameBytes> b) {
    std::array<uint32_t, 8> w{};
    for (int j = 0; j < 8; ++j) {
        w[j] = b[4 * j] | b[4 * j + 1] << 8 | b[4 * j + 2] << 16 | uint32_t{b[4 * j + 3]} << 24;
    }
    FrameFields f;
    for (int n = 0; n < kOrder; ++n) {
        f.reflection[n] = static_cast<uint8_t>(Get(w, kReflectionField[n]));
    }
    f.interpolate = Get(w, kInterpolateField) != 0;
    uint32_t base0 = Get(w, kBase0High) << 4;
    for (int q = 0; q < kSubframes; ++q) {
        base0 |= Get(w, Base0Bit(q)) << q;
        f.pitch[q] = static_cast<uint8_t>(Get(w, PitchField(q)));
        f.amplitudes[q] = static_cast<uint16_t>(Get(w, AmplitudeField(q)));
        f.firstRank[q] = static_cast<uint16_t>(Get(w, FirstRankField(q)));
        f.secondRank[q] = static_cast<uint16_t>(Get(w, SecondRankField(q)));
        f.pulseGain[q] = static_cast<uint8_t>(Get(w, PulseGainField(q)));
    }
    f.lagBase[0] = static_cast<uint8_t>(base0);
    f.lagBase[1] = static_cast<uint8_t>(Get(w, kBase1Low) | Get(w, kBase1High) << 4);
    return f;
}

std::array<uint8_t, kFrameBytes> PackFrame(const FrameFields& f) {
    std::array<uint32_t, 8> w{};
    for (int n = 0; n < kOrder; ++n) {
        Put(w, kReflectionField[n], f.reflection[n]);
    }
    Put(w, kInterpolateField, f.interpolate ? 1 : 0);
    Put(w, kBase0High, f.lagBase[0] >> 4);
    Put(w, kBase1Low, f.lagBase[1]);
    Put(w, kBase1High, f.lagBase[1] >> 4);
    for (int q = 0; q < kSubframes; ++q) {
        Put(w, Base0Bit(q), f.lagBase[0] >> q);
        Put(w, PitchField(q), f.pitch[q]);
        Put(w, AmplitudeField(q), f.amplitudes[q]);
        Put(w, FirstRankField(q), f.firstRank[q]);
        Put(w, SecondRankField(q), f.secondRank[q]);
        Put(w, PulseGainField(q), f.pulseGain[q]);
    }
    std::array<uint8_t, kFrameBytes> b{};
    for (int j = 0; j < 8; ++j) {
        for (int k = 0; k < 4; ++k) {
            b[4 * j + k] = static_cast<uint8_t>(w[j] >> (8 * k));
        }
    }
    return b;
}

}  // namespace kivo::truespeech
