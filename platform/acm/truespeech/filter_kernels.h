#pragma once

// The searches' zero-state filters. Every output is its own sum taken in a fixed order, so a
// kernel that takes more outputs at a time gives exactly what a narrower one gives.

#include "platform/acm/truespeech/tables.h"

#include <array>
#include <span>

namespace kivo::truespeech {

using Signal = std::array<float, kSubframeSamples>;

// A response with zeros in front and behind, as the kernels read it: made once, read by every
// convolution of a search.
struct PaddedResponse {
    static constexpr int kFront = 32;
    static constexpr int kBack = 4;
    std::array<float, kFront + kSubframeSamples + kBack> values{};

    PaddedResponse() = default;
    explicit PaddedResponse(const Signal& h);
    const float* h() const { return values.data() + kFront; }
};

struct FilterKernel {
    const char* name;
    // y[n] = sum over j <= n of u[j] h[n - j], j rising, where u is zero from `length` on.
    Signal (*convolvePrefix)(const PaddedResponse& h, const Signal& u, int length);
    // d[j] = sum over k of h[k] x[j + k], k rising, x zero past its end.
    Signal (*backwardFilter)(const Signal& h, const Signal& x);
    // out[s] = the dot product of d with x[s], x[s + 1], ... for s below `count`, in four
    // partial sums (every fourth product, rising) added pairwise; x holds count - 1 + N values
    // and count is at most kHistory.
    void (*windowProducts)(const Signal& d, const float* x, int count, float* out);
};

// The kernels this processor can run, the fastest first.
std::span<const FilterKernel> FilterKernels();

}  // namespace kivo::truespeech
