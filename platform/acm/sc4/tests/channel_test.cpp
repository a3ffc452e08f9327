#include "platform/acm/sc4/channel.h"
#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/tests/golden.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kivo::sc4
