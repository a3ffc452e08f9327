#pragma once

#include <array>
#include <cstdint>

namespace kivo::truespeech {

inline constexpr int kFrameBytes = 32;
inline constexpr int kFrameSamples = 240;
inline constexpr int kSubframes = 4;
inline constexpr int kSubframeSamples = 60;
inline constexpr int kOrder = 8;
inline constexpr int kHistory = 146;
inline constexpr int kMaxLag = 145;
inline constexpr int kMinLag = 18;
inline constexpr int kNoPitch = 127;
inline constexpr int kPitchGains = 25;
inline constexpr int kPulseGains = 16;
inline constexpr int kHalf = 30;
inline constexpr int kFirstHalfPulses = 3;
inline constexpr int kSecondHalfPulses = 4;
inline constexpr int kPulses = kFirstHalfPulses + kSecondHalfPulses;

// Reflection-coefficient codebooks (Q15), one per order, each strictly increasing.
struct Codebook {
    const int16_t* values;
    int size;
};
extern const std::array<Codebook, kOrder> kReflection;

extern const std::array<int16_t, kOrder> kBandwidth;      // Q15
extern const std::array<int16_t, kOrder> kPostZero;       // Q15, powers of 0.55
extern const std::array<int16_t, kOrder> kPostPole;       // Q15, powers of 0.75
extern const std::array<int16_t, kPitchGains> kPitchOld;  // Q14, tap on lag + 1
extern const std::array<int16_t, kPitchGains> kPitchNew;  // Q14, tap on lag
extern const std::array<int16_t, kPulseGains> kPulseGain;
// Multiplier of each 2-bit pulse amplitude code.
inline constexpr std::array<int, 4> kAmplitudeSign = {1, 3, -1, -3};

namespace detail {

constexpr int32_t Choose(int n, int k) {
    if (n < k) {
        return 0;
    }
    int32_t r = 1;
    for (int j = 1; j <= k; ++j) {
        r = r * (n - k + j) / j;
    }
    return r;
}

constexpr std::array<std::array<int32_t, kHalf>, 4> MakeCombinations() {
    std::array<std::array<int32_t, kHalf>, 4> t{};
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < kHalf; ++i) {
            t[k][i] = Choose(29 - i, k);
        }
    }
    return t;
}

// A table in the header, so that the rank loops read it without a call.
inline constexpr auto kCombinations = MakeCombinations();

}  // namespace detail

// C(29 - i, k) for k = 0..3: the weights of the pulse-position ranks.
constexpr int32_t Combination(int i, int k) {
    return detail::kCombinations[k][i];
}

}  // namespace kivo::truespeech
