#include "platform/acm/truespeech/decoder.h"
#include "platform/acm/truespeech/tests/libav_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

namespace kivo::truespeech {
namespace {

using Frame = std::array<uint8_t, kFrameBytes>;

Frame Bytes(std::initializer_list<int> v) {
    Frame f{};
    std::copy(v.begin(), v.end(), f.begin());
    return f;
}

Frame WorkedExample() {
    Frame b{};
    for (int i = 0; i < kFrameBytes; ++i) {
        b[i] = static_cast<uint8_t>((37 * i + 11) % 256);
    }
    return b;
}

// Excerpts of the reference decoder's output for one frame.
struct Golden {
    std::vector<int> first24;
    std::vector<int> middle;  // samples 120..127
    std::vector<int> last8;
    long sum;
    long sumAbs;
};

void ExpectMatches(const std::array<int16_t, kFrameSamples>& y, const Golden& g) {
    const std::vector<int> first(y.begin(), y.begin() + 24);
    const std::vector<int> middle(y.begin() + 120, y.begin() + 128);
    const std::vector<int> last(y.end() - 8, y.end());
    std::vector<int> expectedFirst = g.first24;
    expectedFirst.resize(24, 0);
    EXPECT_EQ(first, expectedFirst);
    EXPECT_EQ(middle, g.middle);
    EXPECT_EQ(last, g.last8);
    EXPECT_EQ(std::accumulate(y.begin(), y.end(), 0L), g.sum);
    EXPECT_EQ(
        std::accumulate(y.begin(), y.end(), 0L, [](long a, int16_t v) { return a + std::labs(v); }),
        g.sumAbs);
}

void ExpectSequence(const std::vector<Frame>& frames, const std::vector<Golden>& golden) {
    Decoder decoder;
    for (size_t n = 0; n < frames.size(); ++n) {
        SCOPED_TRACE(n);
        std::array<int16_t, kFrameSamples> y;
        decoder.DecodeFrame(frames[n], y);
        ExpectMatches(y, golden[n]);
    }
}

TEST(TrueSpeechDecoder, ZeroFrameThenWorkedExampleTwice) {
    ExpectSequence(
        {Frame{}, WorkedExample(), WorkedExample()},
        {{{2, 1, 1, -1}, {2, -3, 3, -2, 2, -1, 1, 1}, {2, -1, 1, -1, 1, -2, 2, -1}, 31, 227},
         {{0,   1,    -1,  3,    -2,  2,   1, 1064, -1076, 762, -368, 198,
           559, -869, 987, -647, 419, 151, 1, 238,  -211,  293, 21,   123},
          {1036, 524, 2796, 728, 2778, 1699, 2266, 2780},
          {2714, 2300, 1523, 1683, 1224, 3419, 3041, 2846},
          325670,
          699066},
         {{4073, 3495, 4990, 4198, 4799, 5161, 4932, 6651, 4857, 6602, 5466, 6094,
           6297, 5099, 6542, 4968, 5838, 5216, 5413, 4843, 5313, 5460, 4705, 5497},
          {6239, 5097, 7265, 5766, 6921, 6696, 6325, 7130},
          {5001, 4598, 3829, 3949, 3475, 5592, 5184, 4883},
          948297,
          1121301}});
}

TEST(TrueSpeechDecoder, EncodedToneFrames) {
    ExpectSequence(
        {Bytes({0x0E, 0x8E, 0xFF, 0x6C, 0x7F, 0xD7, 0xFF, 0x0F, 0xF5, 0x55, 0x55,
                0x05, 0xA3, 0x9D, 0x22, 0x06, 0x6F, 0x9E, 0xA6, 0x3F, 0xFF, 0xA8,
                0x96, 0x00, 0x4C, 0x0C, 0xCA, 0x37, 0x2C, 0xFE, 0xF8, 0x09}),
         Bytes({0x0E, 0x8E, 0xF7, 0x8C, 0x88, 0x08, 0x85, 0x42, 0xB6, 0xD8, 0x0D,
                0x85, 0xD5, 0x17, 0x25, 0x47, 0x19, 0x38, 0xA2, 0x8D, 0x88, 0xC8,
                0xA4, 0x49, 0x27, 0x64, 0x7B, 0x07, 0x77, 0x80, 0x0A, 0x92}),
         Bytes({0x0E, 0x8E, 0xF7, 0x8C, 0x8A, 0x83, 0x42, 0x41, 0xD3, 0x8E, 0x48,
                0x82, 0xA2, 0x42, 0xD8, 0x45, 0x76, 0x03, 0x52, 0x15, 0x57, 0x08,
                0xA1, 0x0B, 0xA7, 0xEB, 0x63, 0x6B, 0xE5, 0x2E, 0x66, 0xBA})},
        {{{0, 0, 0, 0, 0, 0, 6773, 4510, 4510, -2263},
          {-8087, -11098, -8879, -2575, 1661, 2051, -524, -3221},
          {-8848, -5922, -2733, -1490, -2124, -2520, -700, 3235},
          4385,
          687681},
         {{7045,  8717,  7500, 4191, 1199, -289, -401, -609, -2114, -5212, -7985, -8690,
           -6599, -2477, 1206, 3093, 3177, 3086, 4106, 6046, 7333,  6438,  3349,  -376},
          {-5735, -7511, -6212, -2435, 2412, 5548, 5628, 4071},
          {-4127, -1080, 3276, 6540, 7134, 5461, 3435, 2690},
          13409,
          975721},
         {{3144, 3307, 1742, -1518, -5254, -7666, -7448, -5235, -2656, -1401, -1523, -1647,
           -110, 3363, 7024, 8571,  7087,  3820,  1083,  171,   669,   705,   -1393, -5039},
          {1101, 992, 1538, 3547, 6107, 7774, 7243, 4299},
          {3242, 3302, 4901, 6669, 6670, 3869, -490, -4051},
          9565,
          947137}});
}

// Random frames reach every wrap-around and clamp of the reference; state crosses packets.
TEST(TrueSpeechDecoder, EqualsLibavcodecOnRandomFramesInPacketsOfManySizes) {
    std::mt19937 rng(8);
    const size_t packetFrames[] = {1, 3, 128, 7, 64, 2};
    std::vector<int16_t> ours;
    std::vector<int16_t> theirs;
    Decoder decoder;
    LibavDecoder reference;
    size_t frames = 0;
    for (int round = 0; frames < 20000; ++round) {
        const size_t count = packetFrames[round % std::size(packetFrames)];
        std::vector<uint8_t> packet(count * kFrameBytes + (round % 5 == 4 ? 17 : 0));
        for (auto& b : packet) {
            b = static_cast<uint8_t>(rng());
        }
        const size_t at = ours.size();
        ours.resize(at + count * kFrameSamples);
        ASSERT_EQ(decoder.Decode(packet, std::span(ours).subspan(at)), count * kFrameSamples);
        ASSERT_TRUE(reference.Decode(packet, theirs));
        frames += count;
    }
    ASSERT_EQ(ours.size(), theirs.size());
    size_t differences = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        differences += ours[i] != theirs[i];
    }
    EXPECT_EQ(differences, 0u);
}

TEST(TrueSpeechDecoder, ShortInputDecodesNothing) {
    std::vector<uint8_t> bytes(kFrameBytes - 1, 0x55);
    std::vector<int16_t> out(kFrameSamples);
    Decoder decoder;
    EXPECT_EQ(decoder.Decode(bytes, out), 0u);
    std::vector<int16_t> theirs;
    LibavDecoder reference;
    EXPECT_TRUE(reference.Decode(bytes, theirs));
    EXPECT_TRUE(theirs.empty());
}

}  // namespace
}  // namespace kivo::truespeech
