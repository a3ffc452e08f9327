#pragma once

#include "platform/acm/sc4/tables.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kivo::sc4 {

// Backward-adaptive state of one channel; the zero state is the state at stream start.
struct ChannelState {
    uint32_t step = 0;                 // log-domain step index
    int64_t prediction = 0;            // next sample, Q12
    std::array<int64_t, 6> weights{};  // predictor taps, 1.0 = 2^26
    std::array<int32_t, 6> history{};  // scaled past deltas, newest first
};

// What one code gives from a state, before the state moves on.
struct Reconstruction {
    int32_t delta;
    int64_t value;  // reconstructed sample, Q12
    int16_t sample;
};

inline constexpr int64_t kPredictionLimit = 16383 * 4096;

// The encoder calls this for every candidate code, so it stays cheap and changes nothing.
inline Reconstruction Reconstruct(const ChannelState& s, unsigned code) {
    const uint32_t u = kDiff[code] + (s.step >> 2);
    int32_t mag = 0;
    if ((u & 0x800) == 0) {
        const uint32_t exponent = (u & 0xFFF) >> 7;
        const uint32_t mantissa = u & 0x7F;
        mag = static_cast<int32_t>(((mantissa + 128) * 128) >> (14 - exponent));
    }
    const int32_t delta = code >= 8 ? -mag : mag;
    const int64_t value = int64_t{delta} * 4096 + s.prediction;
    const int64_t out = std::clamp<int64_t>(value >> 9, -32768, 32767);
    return {delta, value, static_cast<int16_t>(out)};
}

// Moves the state past `code`, whose reconstruction from this state is `r`.
inline void Advance(ChannelState& s, unsigned code, const Reconstruction& r) {
    const int64_t sd = (r.delta > 0) - (r.delta < 0);
    for (size_t i = 0; i < s.weights.size(); ++i) {
        // A zero history counts as negative; the leak truncates toward zero.
        const int64_t sign = s.history[i] > 0 ? 1 : -1;
        s.weights[i] = s.weights[i] * 255 / 256 + (int64_t{1} << 27) * sign * sd;
    }
    for (size_t i = s.history.size() - 1; i > 0; --i)
        s.history[i] = s.history[i - 1];
    s.history[0] = -16 * r.delta;

    int64_t t = r.value;
    for (size_t i = 0; i < s.weights.size(); ++i)
        t += (s.history[i] * s.weights[i]) >> 26;
    t = std::clamp(t, -kPredictionLimit, kPredictionLimit);
    s.prediction = t * 9 / 10;

    // 17-bit two's-complement arithmetic: the step moves 1/32 of the way toward 32 x STEP.
    const uint32_t v = (32 * kStep[code] - s.step) & 0x1FFFF;
    const uint32_t next = ((v >> 5) + ((v & 0x10000) != 0 ? 0x1000 : 0) + s.step) & 0x1FFF;
    s.step = std::clamp<uint32_t>(next, 544, 5120);
}

inline int16_t DecodeCode(ChannelState& s, unsigned code) {
    const Reconstruction r = Reconstruct(s, code);
    Advance(s, code, r);
    return r.sample;
}

}  // namespace kivo::sc4
