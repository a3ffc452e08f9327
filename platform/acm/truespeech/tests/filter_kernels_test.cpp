#include "platform/acm/truespeech/filter_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kivo::truespeech {
namespace {

constexpr int N = kSubframeSamples;

// The sums as the kernels promise to take them, one output at a time.
Signal Convolved(const Signal& h, const Signal& u, int length) {
    Signal y{};
    for (int n = 0; n < N; ++n) {
        for (int j = 0; j <= n && j < length; ++j) {
            y[n] += u[j] * h[n - j];
        }
    }
    return y;
}

Signal BackwardFiltered(const Signal& h, const Signal& x) {
    Signal d{};
    for (int j = 0; j < N; ++j) {
        for (int k = 0; j + k < N; ++k) {
            d[j] += h[k] * x[j + k];
        }
    }
    return d;
}

// Every fourth product summed rising, the four sums added pairwise.
float FourPartDot(const Signal& d, const float* x) {
    std::array<float, 4> part{};
    for (int i = 0; i < N; ++i) {
        part[i % 4] += d[i] * x[i];
    }
    return (part[0] + part[1]) + (part[2] + part[3]);
}

// Responses and signals of every scale the searches meet, with silence from some point on.
std::vector<Signal> Signals() {
    std::mt19937 rng(11);
    std::normal_distribution<float> normal;
    std::vector<Signal> signals;
    for (const float scale : {1e-3f, 1.0f, 3e4f}) {
        for (int tail = 0; tail <= N; tail += 15) {
            Signal s{};
            for (int i = 0; i < N - tail; ++i) {
                s[i] = scale * normal(rng);
            }
            signals.push_back(s);
        }
    }
    return signals;
}

TEST(TrueSpeechFilterKernels, EveryKernelSumsAsOneOutputAtATime) {
    const std::vector<Signal> signals = Signals();
    for (const FilterKernel& kernel : FilterKernels()) {
        SCOPED_TRACE(kernel.name);
        for (size_t a = 0; a < signals.size(); ++a) {
            const Signal& h = signals[a];
            const Signal& x = signals[(a * 7 + 3) % signals.size()];
            EXPECT_EQ(kernel.backwardFilter(h, x), BackwardFiltered(h, x)) << "pair " << a;
            for (const int length : {1, 17, 18, 59, N}) {
                Signal u = x;
                std::fill(u.begin() + length, u.end(), 0.0f);
                EXPECT_EQ(kernel.convolvePrefix(PaddedResponse(h), u, length),
                          Convolved(h, u, length))
                    << "pair " << a << " length " << length;
            }
        }
    }
}

TEST(TrueSpeechFilterKernels, EveryKernelCorrelatesEachWindowAsOneDotProduct) {
    const std::vector<Signal> signals = Signals();
    std::vector<float> history;
    for (const Signal& s : signals) {
        history.insert(history.end(), s.begin(), s.end());
    }
    history.resize(kHistory + N);
    for (const FilterKernel& kernel : FilterKernels()) {
        SCOPED_TRACE(kernel.name);
        for (const int count : {1, 7, 9, 86, kHistory}) {
            const Signal& d = signals[count % signals.size()];
            std::vector<float> out(count + 1, -1.0f);
            kernel.windowProducts(d, history.data(), count, out.data());
            for (int s = 0; s < count; ++s) {
                ASSERT_EQ(out[s], FourPartDot(d, history.data() + s)) << count << " at " << s;
            }
            EXPECT_EQ(out[count], -1.0f) << "written past the count";
        }
    }
}

}  // namespace
}  // namespace kivo::truespeech
