#include "platform/acm/sc4/decode_kernel.h"

#include "platform/acm/kernel_choice.h"

#include <algorithm>
#include <array>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kivo::sc4 {
namespace {

// The magnitude of every log-domain index a code and a step make; an index with bit 11 set
// gives 0. Indices reach 425 + (5120 >> 2) at most, so exponents above 13 never occur.
struct MagnitudeTable {
    std::array<int32_t, 4096> values{};
    constexpr MagnitudeTable() {
        for (uint32_t u = 0; u < 0x780; ++u) {
            const uint32_t exponent = u >> 7;
            const uint32_t mantissa = u & 0x7F;
            values[u] = static_cast<int32_t>(((mantissa + 128) * 128) >> (14 - exponent));
        }
    }
};
constexpr MagnitudeTable kMagnitude;

constexpr std::array<uint32_t, 16> kStepTarget = [] {
    std::array<uint32_t, 16> targets{};
    for (size_t i = 0; i < targets.size(); ++i)
        targets[i] = 32 * kStep[i];
    return targets;
}();

// kDiff + (step >> 2) stays below 4096: the step index never exceeds 5120.
static_assert(2048 + (5120 >> 2) < 4096);

// The parts of a code's decoding that do not involve the predictor taps.
struct Decoded {
    int32_t delta;
    int64_t value;
    int16_t sample;
};

inline Decoded DecodeDelta(uint32_t step, int64_t prediction, unsigned code) {
    const int32_t magnitude = kMagnitude.values[kDiff[code] + (step >> 2)];
    const int32_t negative = -static_cast<int32_t>(code >> 3);
    const int32_t delta = (magnitude ^ negative) - negative;
    const int64_t value = int64_t{delta} * 4096 + prediction;
    const auto sample = static_cast<int16_t>(std::clamp<int64_t>(value >> 9, -32768, 32767));
    return {delta, value, sample};
}

// The clamp is a branch and the division one multiplication, so that little stands between
// one prediction and the next: the sum rarely lies beyond the limit, and within it
// 9 x ceil(2^35 / 10) / 2^35 rounded toward zero is exactly t * 9 / 10.
inline int64_t NextPrediction(int64_t t) {
    if (t > kPredictionLimit || t < -kPredictionLimit) [[unlikely]]
        t = std::clamp(t, -kPredictionLimit, kPredictionLimit);
    return ((t * (9 * int64_t{3435973837})) >> 35) - (t >> 63);
}

// The step moves 1/32 of the way toward 32 x kStep in 17-bit arithmetic: by kStep -
// ceil(step / 32), where 32 x 4084 reads as -384, so that the codes with that target move by
// -12 - ceil(step / 32). Once the step has left the zero state it stays in [544, 5120], where
// nothing wraps and this is exact.
constexpr std::array<int32_t, 16> kStepMove = [] {
    std::array<int32_t, 16> moves{};
    for (size_t i = 0; i < moves.size(); ++i)
        moves[i] = static_cast<int32_t>(kStep[i]) - (32 * kStep[i] < 0x10000 ? 0 : 0x1000);
    return moves;
}();

inline uint32_t NextStep(uint32_t step, unsigned code) {
    if (step < 544) [[unlikely]] {
        const uint32_t v = (kStepTarget[code] - step) & 0x1FFFF;
        const uint32_t next = ((v >> 5) + ((v >> 4) & 0x1000) + step) & 0x1FFF;
        return std::clamp<uint32_t>(next, 544, 5120);
    }
    const int32_t next = static_cast<int32_t>(step - ((step + 31) >> 5)) + kStepMove[code];
    return static_cast<uint32_t>(std::clamp(next, 544, 5120));
}

// The taps as separate variables, so that the state stays in registers for the whole run.
void RunPortable(ChannelState& state, std::span<const uint8_t> codes, int16_t* out, size_t stride) {
    std::array<int64_t, 6> w = state.weights;
    std::array<int64_t, 6> h;
    for (size_t i = 0; i < h.size(); ++i)
        h[i] = state.history[i];
    int64_t prediction = state.prediction;
    uint32_t step = state.step;
    for (const uint8_t code : codes) {
        const Decoded d = DecodeDelta(step, prediction, code);
        // The sign of the delta times 2^27, negated where the history is not positive.
        const int64_t c = int64_t{(d.delta > 0) - (d.delta < 0)} << 27;
        int64_t t = d.value;
        for (size_t i = 0; i < 6; ++i) {
            const int64_t negate = h[i] > 0 ? 0 : -1;
            w[i] = w[i] * 255 / 256 + ((c ^ negate) - negate);
        }
        for (size_t i = 5; i > 0; --i)
            h[i] = h[i - 1];
        h[0] = -16 * int64_t{d.delta};
        for (size_t i = 0; i < 6; ++i)
            t += (h[i] * w[i]) >> 26;
        prediction = NextPrediction(t);
        step = NextStep(step, code);
        *out = d.sample;
        out += stride;
    }
    state.weights = w;
    for (size_t i = 0; i < h.size(); ++i)
        state.history[i] = static_cast<int32_t>(h[i]);
    state.prediction = prediction;
    state.step = step;
}

#if defined(__x86_64__)

// What a weight gains after each code where its history is positive, and where it is not. The
// delta's sign is the code's: codes 0 and 15 give none, and the others never reach a zero
// magnitude.
constexpr std::array<double, 16> kGain = [] {
    std::array<double, 16> gains{};
    for (size_t code = 1; code < 15; ++code)
        gains[code] = code < 8 ? 1 << 27 : -(1 << 27);
    return gains;
}();
constexpr std::array<double, 16> kLoss = [] {
    std::array<double, 16> losses{};
    for (size_t code = 0; code < 16; ++code)
        losses[code] = -kGain[code];
    return losses;
}();

// The taps in doubles, four to a register. Every value stays an exact integer: a history value
// is at most 16 x 16320 < 2^18 and a weight stays below 2^35 (it leaks 1/256 and gains at most
// 2^27 per code), so each product lies below 2^53; the history is kept scaled by 2^-26, which
// makes the product's rounding toward minus infinity the arithmetic shift by 26.
__attribute__((target("avx2"))) void RunAvx2(ChannelState& state, std::span<const uint8_t> codes,
                                             int16_t* out, size_t stride) {
    constexpr double kScale = 1.0 / (1 << 26);
    constexpr int kTruncate = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
    constexpr int kFloor = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
    const auto& sw = state.weights;
    const auto& sh = state.history;
    // Taps 0-3 and 4-5; the last two lanes have a zero history and so add nothing.
    __m256d w0 = _mm256_setr_pd(static_cast<double>(sw[0]), static_cast<double>(sw[1]),
                                static_cast<double>(sw[2]), static_cast<double>(sw[3]));
    __m256d w1 = _mm256_setr_pd(static_cast<double>(sw[4]), static_cast<double>(sw[5]), 0, 0);
    __m256d h0 = _mm256_setr_pd(sh[0] * kScale, sh[1] * kScale, sh[2] * kScale, sh[3] * kScale);
    __m256d h1 = _mm256_setr_pd(sh[4] * kScale, sh[5] * kScale, 0, 0);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d leak = _mm256_set1_pd(255.0 / 256.0);
    int64_t prediction = state.prediction;
    uint32_t step = state.step;
    // The samples of a stretch of codes are clamped and stored after it, in a loop of their own.
    constexpr size_t kStretch = 64;
    alignas(32) int32_t shifted[kStretch];
    for (size_t from = 0; from < codes.size(); from += kStretch) {
        const size_t n = std::min(kStretch, codes.size() - from);
        for (size_t i = 0; i < n; ++i) {
            const unsigned code = codes[from + i];
            const Decoded d = DecodeDelta(step, prediction, code);
            const __m256d c = _mm256_broadcast_sd(&kGain[code]);
            const __m256d minusC = _mm256_broadcast_sd(&kLoss[code]);
            w0 = _mm256_add_pd(_mm256_round_pd(_mm256_mul_pd(w0, leak), kTruncate),
                               _mm256_blendv_pd(minusC, c, _mm256_cmp_pd(h0, zero, _CMP_GT_OQ)));
            w1 = _mm256_add_pd(_mm256_round_pd(_mm256_mul_pd(w1, leak), kTruncate),
                               _mm256_blendv_pd(minusC, c, _mm256_cmp_pd(h1, zero, _CMP_GT_OQ)));
            // h1 becomes {h3, h4, 0, 0}, h0 {new, h0, h1, h2}.
            h1 = _mm256_blend_pd(_mm256_blend_pd(zero, _mm256_permute4x64_pd(h0, 0xFF), 1),
                                 _mm256_permute4x64_pd(h1, 0x00), 2);
            h0 = _mm256_blend_pd(_mm256_permute4x64_pd(h0, 0x90),
                                 _mm256_set1_pd(d.delta * (-16.0 * kScale)), 1);
            const __m256d p = _mm256_add_pd(_mm256_round_pd(_mm256_mul_pd(h0, w0), kFloor),
                                            _mm256_round_pd(_mm256_mul_pd(h1, w1), kFloor));
            const __m128d q = _mm_add_pd(_mm256_castpd256_pd128(p), _mm256_extractf128_pd(p, 1));
            const double sum = _mm_cvtsd_f64(_mm_add_sd(q, _mm_unpackhi_pd(q, q)));
            prediction =
                NextPrediction(prediction + (int64_t{d.delta} * 4096 + static_cast<int64_t>(sum)));
            step = NextStep(step, code);
            shifted[i] = static_cast<int32_t>(d.value >> 9);
        }
        if (stride == 1) {
            for (size_t i = 0; i < n; ++i)
                out[i] = static_cast<int16_t>(std::clamp(shifted[i], -32768, 32767));
        } else {
            for (size_t i = 0; i < n; ++i)
                out[i * stride] = static_cast<int16_t>(std::clamp(shifted[i], -32768, 32767));
        }
        out += n * stride;
    }
    alignas(32) double w[8];
    alignas(32) double h[8];
    _mm256_store_pd(w, w0);
    _mm256_store_pd(w + 4, w1);
    _mm256_store_pd(h, h0);
    _mm256_store_pd(h + 4, h1);
    for (size_t i = 0; i < 6; ++i) {
        state.weights[i] = static_cast<int64_t>(w[i]);
        state.history[i] = static_cast<int32_t>(h[i] / kScale);
    }
    state.prediction = prediction;
    state.step = step;
}

#endif

}  // namespace

std::span<const DecodeKernel> DecodeKernels() {
#if defined(__x86_64__)
    static const std::array<DecodeKernel, 2> kAll = {
        {{"avx2", RunAvx2}, {"portable", RunPortable}}};
    return acm::RunnableKernels(kAll);
#else
    static const std::array<DecodeKernel, 1> kAll = {{{"portable", RunPortable}}};
    return kAll;
#endif
}

}  // namespace kivo::sc4
