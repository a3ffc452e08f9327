#include "platform/acm/resampler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using kivo::acm::Resampler;
using kivo::acm::ResamplerKernel;
using kivo::acm::ResamplerKernels;

struct RatePair {
    uint32_t from;
    uint32_t to;
};

// Each kind of row: one phase and a symmetric row (whole factors down, leaving 7, 15 and 11
// frames after the whole groups of the fold), few phases, as many phases as the table holds,
// equal rates, and rates up.
constexpr RatePair kPairs[] = {{16000, 8000}, {32000, 8000}, {24000, 8000},  {48000, 8000},
                               {11025, 8000}, {44100, 8000}, {22050, 16000}, {8000, 8000},
                               {8000, 11025}, {8000, 32000}};

TEST(ResamplerKernels, EveryKernelSumsAsThePortableOne) {
    const ResamplerKernel& portable = ResamplerKernels().back();
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> sample(-32768, 32767);
    for (const RatePair& pair : kPairs) {
        SCOPED_TRACE(testing::Message() << pair.from << " to " << pair.to);
        const Resampler resampler(pair.from, pair.to);
        // Output frames from a point in mid-stream on, and the frames they read.
        constexpr uint64_t kFirstOutput = 1001;
        constexpr size_t kOutputs = 300;
        const int64_t origin = resampler.First(kFirstOutput);
        const int64_t end =
            resampler.First(kFirstOutput + kOutputs) + static_cast<int64_t>(resampler.Reach());
        std::vector<float> frames(static_cast<size_t>(end - origin));
        for (float& f : frames)
            f = sample(rng);
        std::vector<float> want(kOutputs);
        resampler.Sums(kFirstOutput, frames.data(), origin, want, portable);
        for (const ResamplerKernel& kernel : ResamplerKernels()) {
            SCOPED_TRACE(kernel.name);
            std::vector<float> got(kOutputs);
            resampler.Sums(kFirstOutput, frames.data(), origin, got, kernel);
            for (size_t k = 0; k < kOutputs; ++k)
                ASSERT_EQ(std::memcmp(&got[k], &want[k], sizeof(float)), 0)
                    << "output " << k << ": " << got[k] << " against " << want[k];
        }
    }
}

}  // namespace
