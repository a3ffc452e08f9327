#include "platform/acm/truespeech/synthesis_kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kivo::truespeech {
namespace {

struct Case {
    FilterMemory memory;
    Lpc filter;
    int16_t k1;
    SubframeSamples excitation;
};

// Quiet and loud memories, mild and extreme filters (sums that wrap, outputs that clamp),
// both signs of the tilt, silent and full-scale excitation.
std::vector<Case> Cases() {
    std::mt19937 rng(23);
    auto any = [&](int limit) {
        return static_cast<int16_t>(static_cast<int>(rng() % (2 * limit + 1)) - limit);
    };
    std::vector<Case> cases;
    for (const int memoryLimit : {0, 300, 32767}) {
        for (const int filterLimit : {0, 2000, 32767}) {
            for (const int excitationLimit : {0, 1000, 32767}) {
                for (int k = 0; k < 4; ++k) {
                    Case c;
                    for (int m = 0; m < kOrder; ++m) {
                        c.memory.synthesis[m] = any(memoryLimit);
                        c.memory.poles[m] = any(memoryLimit);
                        c.filter[m] = any(filterLimit);
                    }
                    c.k1 = k % 2 ? any(32767) : static_cast<int16_t>(k == 0 ? -32768 : 32767);
                    for (int16_t& v : c.excitation) {
                        v = any(excitationLimit);
                    }
                    cases.push_back(c);
                }
            }
        }
    }
    return cases;
}

TEST(TrueSpeechSynthesisKernels, EveryKernelFiltersAndRemembersAsThePortableOne) {
    const SynthesisKernel& portable = SynthesisKernels().back();
    ASSERT_STREQ(portable.name, "portable");
    const std::vector<Case> cases = Cases();
    for (const SynthesisKernel& kernel : SynthesisKernels()) {
        SCOPED_TRACE(kernel.name);
        for (size_t n = 0; n < cases.size(); ++n) {
            const Case& c = cases[n];
            FilterMemory expected = c.memory;
            FilterMemory got = c.memory;
            // Twice in a row, so that the memory each run leaves is read back.
            for (int run = 0; run < 2; ++run) {
                ASSERT_EQ(kernel.run(got, c.filter, c.k1, c.excitation),
                          portable.run(expected, c.filter, c.k1, c.excitation))
                    << "case " << n << " run " << run;
                ASSERT_EQ(got.synthesis, expected.synthesis) << "case " << n;
                ASSERT_EQ(got.poles, expected.poles) << "case " << n;
            }
        }
    }
}

}  // namespace
}  // namespace kivo::truespeech
