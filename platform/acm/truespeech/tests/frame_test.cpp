#include "platform/acm/truespeech/frame.h"
#include "platform/acm/truespeech/model.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kivo::truespeech {
namespace {

std::array<uint8_t, kFrameBytes> WorkedExample() {
    std::array<uint8_t, kFrameBytes> b{};
    for (int i = 0; i < kFrameBytes; ++i) {
        b[i] = static_cast<uint8_t>((37 * i + 11) % 256);
    }
    return b;
}

TEST(TrueSpeechFrame, UnpacksEveryFieldOfTheWorkedExample) {
    const FrameFields f = UnpackFrame(WorkedExample());
    EXPECT_EQ(f.reflection, (std::array<uint8_t, 8>{5, 0, 6, 10, 10, 4, 6, 3}));
    EXPECT_TRUE(f.interpolate);
    EXPECT_EQ(f.lagBase, (std::array<uint8_t, 2>{13, 58}));
    EXPECT_EQ(f.pitch, (std::array<uint8_t, 4>{31, 9, 39, 119}));
    EXPECT_EQ(f.amplitudes, (std::array<uint16_t, 4>{6195, 2549, 11463, 6215}));
    EXPECT_EQ(f.firstRank, (std::array<uint16_t, 4>{2388, 3015, 3673, 204}));
    EXPECT_EQ(f.secondRank, (std::array<uint16_t, 4>{22533, 4430, 23176, 5057}));
    EXPECT_EQ(f.pulseGain, (std::array<uint8_t, 4>{11, 15, 3, 7}));
}

TEST(TrueSpeechFrame, PackIsTheInverseOfUnpackForAnyBytes) {
    std::mt19937 rng(1);
    for (int n = 0; n < 2000; ++n) {
        std::array<uint8_t, kFrameBytes> b;
        for (auto& v : b) {
            v = static_cast<uint8_t>(rng());
        }
        ASSERT_EQ(PackFrame(UnpackFrame(b)), b);
    }
}

TEST(TrueSpeechPulses, PlacesTheWorkedExamplePulses) {
    const FrameFields f = UnpackFrame(WorkedExample());
    const SubframeSamples c =
        PulseVector(f.amplitudes[0], f.firstRank[0], f.secondRank[0], f.pulseGain[0]);
    SubframeSamples expected{};
    const int positions[] = {7, 13, 18, 39, 53, 55, 59};
    const int values[] = {1218, -406, 406, 406, -1218, 406, -1218};
    for (int n = 0; n < 7; ++n) {
        expected[positions[n]] = static_cast<int16_t>(values[n]);
    }
    EXPECT_EQ(c, expected);
}

TEST(TrueSpeechPulses, OutOfRangeRankLeavesItsAmplitudesToTheSecondHalf) {
    // Codes of pulses 0..6: +1, +3, -1, -3, +1, +1, +1; gain 10.
    const uint16_t amplitudes = 0b00'01'10'11'00'00'00;
    struct Case {
        uint32_t first;
        uint32_t second;
        std::vector<std::pair<int, int>> pulses;
    };
    const Case cases[] = {
        {4095, 0, {{30, 10}, {31, 30}, {32, -10}, {33, -30}}},
        {0, 27405, {{0, 10}, {1, 30}, {2, -10}}},
        {4060, 27405, {}},
        {0, 0, {{0, 10}, {1, 30}, {2, -10}, {30, -30}, {31, 10}, {32, 10}, {33, 10}}},
        {4059, 27404, {{27, 10}, {28, 30}, {29, -10}, {56, -30}, {57, 10}, {58, 10}, {59, 10}}},
    };
    for (const Case& c : cases) {
        SubframeSamples expected{};
        for (auto [pos, value] : c.pulses) {
            expected[pos] = static_cast<int16_t>(value);
        }
        EXPECT_EQ(PulseVector(amplitudes, c.first, c.second, 3), expected)
            << c.first << " " << c.second;
    }
}

}  // namespace
}  // namespace kivo::truespeech
