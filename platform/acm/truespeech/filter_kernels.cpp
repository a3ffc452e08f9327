#include "platform/acm/truespeech/filter_kernels.h"

#include "platform/acm/kernel_choice.h"

#include <algorithm>
#include <cstring>

namespace kivo::truespeech {
namespace {

constexpr int N = kSubframeSamples;

// kRegisters registers of Lanes outputs share each broadcast weight: enough independent sums
// to hide the adder's latency. Whole blocks reach past the subframe, so the outputs and the
// signals read are padded to kPadded.
using Four = float __attribute__((vector_size(16)));
using Eight = float __attribute__((vector_size(32)));

template <typename Lanes, int kRegisters>
struct Blocks {
    static_assert(kRegisters == 3 || kRegisters == 4);
    static constexpr int kWidth = sizeof(Lanes) / sizeof(float);
    static constexpr int kBlock = kRegisters * kWidth;
    static constexpr int kPadded = (N + kBlock - 1) / kBlock * kBlock;

    // Named, not an array, so that the sums stay in registers.
    Lanes s0{}, s1{}, s2{}, s3{};

    // Adds w times the block's values from `at` on. No value is returned in a register, which
    // the portable kernel could not pass on as the AVX2 one does.
    [[gnu::always_inline]] void Add(float w, const float* at) {
        Lanes v0, v1, v2, v3;
        std::memcpy(&v0, at, sizeof v0);
        std::memcpy(&v1, at + kWidth, sizeof v1);
        std::memcpy(&v2, at + 2 * kWidth, sizeof v2);
        s0 += w * v0;
        s1 += w * v1;
        s2 += w * v2;
        if constexpr (kRegisters == 4) {
            std::memcpy(&v3, at + 3 * kWidth, sizeof v3);
            s3 += w * v3;
        }
    }
    [[gnu::always_inline]] void StoreTo(float* out) const {
        std::memcpy(out, &s0, sizeof s0);
        std::memcpy(out + kWidth, &s1, sizeof s1);
        std::memcpy(out + 2 * kWidth, &s2, sizeof s2);
        if constexpr (kRegisters == 4) {
            std::memcpy(out + 3 * kWidth, &s3, sizeof s3);
        }
    }
};

// The bodies are inlined into each kernel, so that each is compiled for its instruction set.
template <typename Lanes, int kRegisters>
[[gnu::always_inline]] inline Signal ConvolvePrefixBody(const PaddedResponse& h, const Signal& u,
                                                        int length) {
    using B = Blocks<Lanes, kRegisters>;
    // The zeros in front serve the lanes that j passes, those behind the padded outputs.
    static_assert(PaddedResponse::kFront >= B::kBlock - 1);
    static_assert(PaddedResponse::kBack >= B::kPadded - N);
    const float* response = h.h();
    std::array<float, B::kPadded> y;
    for (int n = 0; n < N; n += B::kBlock) {
        B sums;
        const int end = std::min(n + B::kBlock, length);
        for (int j = 0; j < end; ++j) {
            sums.Add(u[j], response + n - j);
        }
        sums.StoreTo(y.data() + n);
    }
    Signal out;
    std::copy(y.begin(), y.begin() + N, out.begin());
    return out;
}

template <typename Lanes, int kRegisters>
[[gnu::always_inline]] inline Signal BackwardFilterBody(const Signal& h, const Signal& x) {
    using B = Blocks<Lanes, kRegisters>;
    std::array<float, N + B::kPadded> padded{};
    std::copy(x.begin(), x.end(), padded.begin());
    std::array<float, B::kPadded> d;
    for (int j = 0; j < N; j += B::kBlock) {
        B sums;
        for (int k = 0; k < N - j; ++k) {
            sums.Add(h[k], padded.data() + j + k);
        }
        sums.StoreTo(d.data() + j);
    }
    Signal out;
    std::copy(d.begin(), d.begin() + N, out.begin());
    return out;
}

// One window to a lane: each lane keeps the four partial sums a single dot product keeps.
template <typename Lanes>
[[gnu::always_inline]] inline void WindowProductsBody(const Signal& d, const float* x, int count,
                                                      float* out) {
    constexpr int kWidth = sizeof(Lanes) / sizeof(float);
    std::array<float, kHistory + kWidth + N> padded{};
    std::copy(x, x + count - 1 + N, padded.begin());
    for (int s = 0; s < count; s += kWidth) {
        Lanes p0{}, p1{}, p2{}, p3{}, v0, v1, v2, v3;
        for (int i = 0; i < N; i += 4) {
            std::memcpy(&v0, padded.data() + s + i, sizeof v0);
            std::memcpy(&v1, padded.data() + s + i + 1, sizeof v1);
            std::memcpy(&v2, padded.data() + s + i + 2, sizeof v2);
            std::memcpy(&v3, padded.data() + s + i + 3, sizeof v3);
            p0 += d[i] * v0;
            p1 += d[i + 1] * v1;
            p2 += d[i + 2] * v2;
            p3 += d[i + 3] * v3;
        }
        const Lanes sums = (p0 + p1) + (p2 + p3);
        std::array<float, kWidth> lanes;
        std::memcpy(lanes.data(), &sums, sizeof sums);
        std::copy(lanes.begin(), lanes.begin() + std::min(kWidth, count - s), out + s);
    }
}

Signal ConvolvePrefixPortable(const PaddedResponse& h, const Signal& u, int length) {
    return ConvolvePrefixBody<Four, 3>(h, u, length);
}

Signal BackwardFilterPortable(const Signal& h, const Signal& x) {
    return BackwardFilterBody<Four, 3>(h, x);
}

void WindowProductsPortable(const Signal& d, const float* x, int count, float* out) {
    WindowProductsBody<Four>(d, x, count, out);
}

#if defined(__x86_64__)

// Eight outputs to a register; no fused multiply-add, so every sum rounds as the portable
// kernel's does.
__attribute__((target("avx2"))) Signal ConvolvePrefixAvx2(const PaddedResponse& h, const Signal& u,
                                                          int length) {
    return ConvolvePrefixBody<Eight, 4>(h, u, length);
}

__attribute__((target("avx2"))) Signal BackwardFilterAvx2(const Signal& h, const Signal& x) {
    return BackwardFilterBody<Eight, 4>(h, x);
}

__attribute__((target("avx2"))) void WindowProductsAvx2(const Signal& d, const float* x, int count,
                                                        float* out) {
    WindowProductsBody<Eight>(d, x, count, out);
}

#endif

}  // namespace

PaddedResponse::PaddedResponse(const Signal& h) {
    std::copy(h.begin(), h.end(), values.begin() + kFront);
}

std::span<const FilterKernel> FilterKernels() {
#if defined(__x86_64__)
    static const std::array<FilterKernel, 2> kAll = {
        {{"avx2", ConvolvePrefixAvx2, BackwardFilterAvx2, WindowProductsAvx2},
         {"portable", ConvolvePrefixPortable, BackwardFilterPortable, WindowProductsPortable}}};
    return acm::RunnableKernels(kAll);
#else
    static const std::array<FilterKernel, 1> kAll = {
        {{"portable", ConvolvePrefixPortable, BackwardFilterPortable, WindowProductsPortable}}};
    return kAll;
#endif
}

}  // namespace kivo::truespeech
