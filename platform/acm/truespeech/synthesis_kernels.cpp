#include "platform/acm/truespeech/synthesis_kernels.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kivo::truespeech {
namespace {

constexpr int N = kSubframeSamples;

int16_t Clamp(int32_t v) {
    return static_cast<int16_t>(std::clamp(v, -32766, 32766));
}

// Sums that the reference lets wrap around in 32 bits.
int32_t Wrap(uint32_t v) {
    return static_cast<int32_t>(v);
}

struct PostFilter {
    std::array<int16_t, kOrder> zero;
    std::array<int16_t, kOrder> pole;
    int32_t tilt;

    PostFilter(const Lpc& q, int16_t k1) : tilt(k1 - (k1 >> 2)) {
        for (int m = 0; m < kOrder; ++m) {
            zero[m] = static_cast<int16_t>((kPostZero[m] * q[m]) >> 15);
            pole[m] = static_cast<int16_t>((kPostPole[m] * q[m]) >> 15);
        }
    }
};

// One sample through all three filters, from the three sums over the delay lines: the
// synthesis filter's, the post-filter zeros' (both over the synthesis outputs) and the poles'.
// Returns the output; `synthesised` and `poled` are the new delay-line values.
int16_t Step(int16_t excitation, uint32_t sum, uint32_t zeroSum, uint32_t poleSum,
             int32_t lastPoled, int32_t tilt, int16_t& synthesised, int16_t& poled) {
    synthesised = Clamp(excitation + (Wrap(sum + 2048) >> 12));
    const auto y2 = static_cast<int16_t>(synthesised + (Wrap(0u - zeroSum) >> 12));
    poleSum += static_cast<uint32_t>(y2 * 4096);
    poled = Clamp(Wrap(poleSum + 2048) >> 12);
    // The tilt takes the previous sample's pole output.
    poleSum += static_cast<uint32_t>((lastPoled * tilt) >> 4);
    int32_t v = Wrap(poleSum);
    v -= v >> 3;
    return Clamp((v + 2048) >> 12);
}

SubframeSamples RunPortable(FilterMemory& memory, const Lpc& q, int16_t k1,
                            const SubframeSamples& e) {
    const PostFilter post(q, k1);
    // Both filters run on delay lines, their 8 stored values oldest first, then the new ones;
    // all three filters run in one pass, so that the chains of the two recursive ones overlap.
    std::array<int32_t, kOrder + N> y;
    std::array<int32_t, kOrder + N> u;
    for (int m = 0; m < kOrder; ++m) {
        y[kOrder - 1 - m] = memory.synthesis[m];
        u[kOrder - 1 - m] = memory.poles[m];
    }
    SubframeSamples out;
    for (int i = 0; i < N; ++i) {
        const int32_t* py = y.data() + kOrder + i - 1;
        const int32_t* pu = u.data() + kOrder + i - 1;
        uint32_t sum = 0;
        uint32_t zeroSum = 0;
        uint32_t poleSum = 0;
        for (int m = 0; m < kOrder; ++m) {
            sum += static_cast<uint32_t>(py[-m] * q[m]);
            zeroSum += static_cast<uint32_t>(py[-m] * post.zero[m]);
            poleSum += static_cast<uint32_t>(pu[-m] * post.pole[m]);
        }
        int16_t synthesised;
        int16_t poled;
        out[i] = Step(e[i], sum, zeroSum, poleSum, pu[0], post.tilt, synthesised, poled);
        y[kOrder + i] = synthesised;
        u[kOrder + i] = poled;
    }
    for (int m = 0; m < kOrder; ++m) {
        memory.synthesis[m] = static_cast<int16_t>(y[kOrder + N - 1 - m]);
        memory.poles[m] = static_cast<int16_t>(u[kOrder + N - 1 - m]);
    }
    return out;
}

#if defined(__SSE2__)

// The four 32-bit lanes added, wrapping as the scalar sums do.
uint32_t LaneSum(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}

// Lane j of a window holds the value 9 - j samples back, lane 0 none: the seven older taps of
// each filter are one multiply-add of 16-bit lanes, ready a sample ahead; only the newest tap
// stays on the chain from one sample to the next. All values and taps fit 16 bits, and the
// lanes' sums wrap as the scalar ones do.
__m128i OlderTaps(const std::array<int16_t, kOrder>& t) {
    return _mm_setr_epi16(0, t[7], t[6], t[5], t[4], t[3], t[2], t[1]);
}

__m128i Window(const std::array<int16_t, kOrder>& newestFirst) {
    return OlderTaps(newestFirst);
}

__m128i Slide(__m128i window, int32_t newest) {
    return _mm_insert_epi16(_mm_srli_si128(window, 2), newest, 7);
}

SubframeSamples RunSse2(FilterMemory& memory, const Lpc& q, int16_t k1, const SubframeSamples& e) {
    const PostFilter post(q, k1);
    const __m128i synthesisTaps = OlderTaps(q);
    const __m128i zeroTaps = OlderTaps(post.zero);
    const __m128i poleTaps = OlderTaps(post.pole);
    __m128i y = Window(memory.synthesis);
    __m128i u = Window(memory.poles);
    int32_t y1 = memory.synthesis[0];
    int32_t u1 = memory.poles[0];
    SubframeSamples out;
    for (int i = 0; i < N; ++i) {
        const uint32_t sum =
            LaneSum(_mm_madd_epi16(y, synthesisTaps)) + static_cast<uint32_t>(y1 * q[0]);
        const uint32_t zeroSum =
            LaneSum(_mm_madd_epi16(y, zeroTaps)) + static_cast<uint32_t>(y1 * post.zero[0]);
        const uint32_t poleSum =
            LaneSum(_mm_madd_epi16(u, poleTaps)) + static_cast<uint32_t>(u1 * post.pole[0]);
        int16_t synthesised;
        int16_t poled;
        out[i] = Step(e[i], sum, zeroSum, poleSum, u1, post.tilt, synthesised, poled);
        y = Slide(y, y1);
        u = Slide(u, u1);
        y1 = synthesised;
        u1 = poled;
    }
    memory.synthesis[0] = static_cast<int16_t>(y1);
    memory.poles[0] = static_cast<int16_t>(u1);
    alignas(16) std::array<int16_t, 8> ys;
    alignas(16) std::array<int16_t, 8> us;
    _mm_store_si128(reinterpret_cast<__m128i*>(ys.data()), y);
    _mm_store_si128(reinterpret_cast<__m128i*>(us.data()), u);
    for (int m = 1; m < kOrder; ++m) {
        memory.synthesis[m] = ys[8 - m];
        memory.poles[m] = us[8 - m];
    }
    return out;
}

#endif

std::span<const SynthesisKernel> Available() {
    static const SynthesisKernel kPortable{"portable", RunPortable};
#if defined(__SSE2__)
    static const SynthesisKernel kSse2{"sse2", RunSse2};
    static const std::array<SynthesisKernel, 2> kBoth = {kSse2, kPortable};
    return kBoth;
#else
    return std::span(&kPortable, 1);
#endif
}

}  // namespace

std::span<const SynthesisKernel> SynthesisKernels() {
    static const std::span<const SynthesisKernel> kernels = Available();
    return kernels;
}

}  // namespace kivo::truespeech
