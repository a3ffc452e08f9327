#include "platform/acm/sc4/channel.h"
#include "platform/acm/sc4/decode_kernel.h"
#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/tests/golden.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kivo::sc4 {
namespace {

struct FirstCodeCase {
    unsigned code;
    int16_t sample;
    uint32_t step;
    int64_t prediction;
};

// Each row decodes one code from the zero state. The asymmetric predictions of +n / -n
// pairs come from a zero history counting as negative.
const FirstCodeCase kFirstCodes[] = {
    {0, 0, 5120, 0},        {1, 8, 544, 3715},     {2, 16, 544, 7430},     {3, 24, 544, 11145},
    {4, 32, 544, 14860},    {5, 48, 544, 22291},   {6, 56, 544, 26006},    {7, 80, 1122, 37152},
    {8, -80, 1122, -36576}, {9, -56, 544, -25603}, {10, -48, 544, -21945}, {11, -32, 544, -14630},
    {12, -24, 544, -10972}, {13, -16, 544, -7315}, {14, -8, 544, -3657},   {15, 0, 5120, 0},
};

TEST(Sc4Channel, FirstCodeFromZeroState) {
    for (const FirstCodeCase& c : kFirstCodes) {
        ChannelState s;
        EXPECT_EQ(DecodeCode(s, c.code), c.sample) << "code " << c.code;
        EXPECT_EQ(s.step, c.step) << "code " << c.code;
        EXPECT_EQ(s.prediction, c.prediction) << "code " << c.code;
    }
}

std::vector<int16_t> DecodeMonoBytes(ChannelState& s, const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> out;
    for (const uint8_t b : bytes) {
        out.push_back(DecodeCode(s, b >> 4));
        out.push_back(DecodeCode(s, b & 0x0F));
    }
    return out;
}

TEST(Sc4Channel, ToneBlocksLeaveKnownState) {
    ChannelState s;
    const std::vector<uint8_t> block0(testing::kToneBlock0.begin(), testing::kToneBlock0.end() - 1);
    const std::vector<uint8_t> block1(testing::kToneBlock1.begin(), testing::kToneBlock1.end() - 1);
    const auto out0 = DecodeMonoBytes(s, block0);
    const auto out1 = DecodeMonoBytes(s, block1);
    EXPECT_EQ(out0, std::vector<int16_t>(testing::kToneMono0.begin(), testing::kToneMono0.end()));
    EXPECT_EQ(out1, std::vector<int16_t>(testing::kToneMono1.begin(), testing::kToneMono1.end()));
    EXPECT_EQ(s.step, 2936u);
    EXPECT_EQ(s.prediction, 1828301);
    const std::array<int64_t, 6> weights = {-5061271577, -933991579, 1391494562,
                                            1611242421,  -569379670, -2371559250};
    const std::array<int32_t, 6> history = {-976, 2144, 1200, -1376, -5824, -6912};
    EXPECT_EQ(s.weights, weights);
    EXPECT_EQ(s.history, history);
}

TEST(Sc4Channel, LargestCodesSaturatePredictionAndOutput) {
    ChannelState s;
    const auto out = DecodeMonoBytes(s, std::vector<uint8_t>(3 * 29, 0x77));
    ASSERT_EQ(out.size(), 174u);
    EXPECT_EQ(out[0], 80);
    EXPECT_EQ(out[1], 456);
    EXPECT_EQ(out[2], 2089);
    EXPECT_EQ(out[3], 8837);
    for (size_t i = 4; i < out.size(); ++i)
        ASSERT_EQ(out[i], 32767) << i;
    EXPECT_EQ(s.step, 5120u);
    EXPECT_EQ(s.prediction, 60394291);  // the clamp limit x 0.9, truncated
    EXPECT_EQ(s.weights[0], -16970230912);
}

TEST(Sc4Channel, AlternatingLargestCodesSaturateBothWays) {
    ChannelState s;
    const auto out = DecodeMonoBytes(s, std::vector<uint8_t>(2 * 29, 0x78));
    const std::vector<int16_t> head = {80, -312, 1391, -5674, 22534, -32768, 29552, -32768};
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 8), head);
    for (size_t i = 8; i < out.size(); ++i)
        ASSERT_EQ(out[i], i % 2 == 0 ? 32767 : -32768) << i;
}

TEST(Sc4Channel, ZeroCodesStaySilentWhileTheStepDecays) {
    ChannelState s;
    const auto out = DecodeMonoBytes(s, std::vector<uint8_t>(29, 0x00));
    for (const int16_t v : out)
        ASSERT_EQ(v, 0);
    EXPECT_EQ(s.step, 544u);
}

// Runs that drive the state to every corner: random codes, long runs of the largest codes
// (saturated prediction, the step at its top), silence (the step at its bottom) and a real
// block, each continued from the state the run before left.
std::vector<std::vector<uint8_t>> KernelRuns() {
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> runs;
    for (int r = 0; r < 40; ++r) {
        std::vector<uint8_t> run(1 + rng() % 58);
        for (uint8_t& code : run)
            code = static_cast<uint8_t>(rng() & 0x0F);
        runs.push_back(run);
    }
    runs.push_back(std::vector<uint8_t>(200, 7));
    runs.push_back(std::vector<uint8_t>(200, 8));
    runs.push_back(std::vector<uint8_t>(200, 0));
    std::vector<uint8_t> alternating(200);
    for (size_t i = 0; i < alternating.size(); ++i)
        alternating[i] = i % 2 == 0 ? 7 : 8;
    runs.push_back(alternating);
    std::vector<uint8_t> tone;
    for (size_t i = 0; i + 1 < testing::kToneBlock0.size(); ++i) {
        tone.push_back(testing::kToneBlock0[i] >> 4);
        tone.push_back(testing::kToneBlock0[i] & 0x0F);
    }
    runs.push_back(tone);
    return runs;
}

TEST(Sc4Channel, EveryKernelDecodesAsTheChannelDoesCodeByCode) {
    const std::vector<std::vector<uint8_t>> runs = KernelRuns();
    for (const DecodeKernel& kernel : DecodeKernels()) {
        SCOPED_TRACE(kernel.name);
        for (const size_t stride : {size_t{1}, size_t{2}}) {
            ChannelState expected;
            ChannelState state;
            for (size_t r = 0; r < runs.size(); ++r) {
                const std::vector<uint8_t>& run = runs[r];
                std::vector<int16_t> want;
                for (const uint8_t code : run)
                    want.push_back(DecodeCode(expected, code));
                std::vector<int16_t> got(run.size() * stride, 12345);
                kernel.run(state, run, got.data(), stride);
                for (size_t i = 0; i < run.size(); ++i) {
                    ASSERT_EQ(got[i * stride], want[i]) << "run " << r << " code " << i;
                    if (stride == 2) {
                        ASSERT_EQ(got[i * stride + 1], 12345) << "run " << r << " code " << i;
                    }
                }
                ASSERT_EQ(state.step, expected.step) << "run " << r;
                ASSERT_EQ(state.prediction, expected.prediction) << "run " << r;
                ASSERT_EQ(state.weights, expected.weights) << "run " << r;
                ASSERT_EQ(state.history, expected.history) << "run " << r;
            }
        }
    }
}

}  // namespace
}  // namespace kivo::sc4
