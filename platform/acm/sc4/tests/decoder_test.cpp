#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/tests/golden.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kivo::sc4 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kBlock0(testing::kToneBlock0.begin(), testing::kToneBlock0.end());
const Bytes kBlock1(testing::kToneBlock1.begin(), testing::kToneBlock1.end());

Decoder MakeDecoder(uint32_t rate, unsigned channels = 1) {
    auto d = Decoder::Create({rate, channels});
    EXPECT_TRUE(d.has_value());
    return *d;
}

struct Decoded {
    std::vector<int16_t> pcm;
    DecodeResult result;
};

Decoded DecodeAll(Decoder& d, const Bytes& in, bool last) {
    Decoded out;
    out.pcm.resize(2 * in.size() + 2 * kCodesPerBlock);
    out.result = d.Decode(in, out.pcm, last);
    out.pcm.resize(out.result.samples);
    return out;
}

TEST(Sc4Decoder, RefusesRatesAndChannelCountsWithoutMarker) {
    for (const StreamFormat f : {StreamFormat{44100, 1}, StreamFormat{22050, 1},
                                 StreamFormat{8000, 0}, StreamFormat{8000, 3}}) {
        EXPECT_FALSE(Decoder::Create(f).has_value()) << f.samplesPerSec << "/" << f.channels;
    }
    for (const uint32_t rate : {8000u, 11025u, 16000u, 32000u}) {
        EXPECT_TRUE(Decoder::Create({rate, 1}).has_value()) << rate;
        EXPECT_TRUE(Decoder::Create({rate, 2}).has_value()) << rate;
    }
}

TEST(Sc4Decoder, StereoSplitsNibblesBetweenChannels) {
    Decoder d = MakeDecoder(8000, 2);
    const Decoded out = DecodeAll(d, kBlock0, true);
    EXPECT_EQ(out.pcm,
              std::vector<int16_t>(testing::kToneStereo0.begin(), testing::kToneStereo0.end()));
}

struct FramingCase {
    std::string name;
    uint32_t rate;
    Bytes in;
    bool last;
    size_t samples;
    size_t consumed;
    size_t badBlocks;
    size_t skipped;
};

// Every case's output is the start of the two tone blocks' decoded samples.
const std::vector<FramingCase>& FramingCases() {
    static const std::vector<FramingCase> cases = {
        {"plain block", 8000, kBlock0, true, 58, 30, 0, 0},
        {"two plain blocks", 8000, Cat({kBlock0, kBlock1}), false, 116, 60, 0, 0},
        {"5-byte header", 8000, Cat({{0x00, 0x00, 0x01, 0x1B, 0x07}, kBlock0}), true, 58, 35, 0, 0},
        {"3-byte header", 11025, Cat({{0x01, 0x1B, 0x1A}, kBlock0}), true, 58, 33, 0, 0},
        {"3-byte header at 16 kHz", 16000, Cat({{0x02, 0xB2, 0x2C}, kBlock0}), true, 58, 33, 0, 0},
        {"5-byte header at 32 kHz", 32000, Cat({{0x00, 0x00, 0x02, 0xB2, 0x2E}, kBlock0}), true, 58,
         35, 0, 0},
        {"header between blocks", 8000, Cat({kBlock0, {0x00, 0x00, 0x01, 0x1B, 0x00}, kBlock1}),
         true, 116, 65, 0, 0},
        {"other rate's marker is data", 16000, Cat({{0x01, 0x1B, 0x1D}, kBlock0}), true, 58, 33, 1,
         3},
        {"bad trailer", 8000, Cat({Bytes(kBlock0.begin(), kBlock0.end() - 1), {0x54}}), true, 0, 30,
         1, 30},
        {"29 code bytes end the stream", 8000, Bytes(kBlock0.begin(), kBlock0.end() - 1), true, 58,
         29, 0, 0},
        {"29 code bytes wait for more", 8000, Bytes(kBlock0.begin(), kBlock0.end() - 1), false, 0,
         0, 0, 0},
        {"partial last block", 8000, Bytes(kBlock0.begin(), kBlock0.begin() + 10), true, 20, 10, 0,
         0},
        {"partial block after a block", 8000,
         Cat({kBlock0, Bytes(kBlock1.begin(), kBlock1.begin() + 7)}), false, 58, 30, 0, 0},
        {"header then end", 8000, {0x00, 0x00, 0x01, 0x1B, 0x07}, true, 0, 5, 0, 0},
        {"too short for the header test", 8000, {0x01, 0x1B}, false, 0, 0, 0, 0},
        {"empty", 8000, {}, true, 0, 0, 0, 0},
    };
    return cases;
}

TEST(Sc4Decoder, FramingOfBlocksHeadersAndStreamEnd) {
    std::vector<int16_t> tone(testing::kToneMono0.begin(), testing::kToneMono0.end());
    tone.insert(tone.end(), testing::kToneMono1.begin(), testing::kToneMono1.end());
    for (const FramingCase& c : FramingCases()) {
        SCOPED_TRACE(c.name);
        Decoder d = MakeDecoder(c.rate);
        const Decoded out = DecodeAll(d, c.in, c.last);
        EXPECT_EQ(out.result.samples, c.samples);
        EXPECT_EQ(out.result.consumed, c.consumed);
        EXPECT_EQ(out.result.badBlocks, c.badBlocks);
        EXPECT_EQ(out.result.skipped, c.skipped);
        EXPECT_EQ(out.pcm, std::vector<int16_t>(tone.begin(), tone.begin() + c.samples));
    }
}

TEST(Sc4Decoder, WaitsForRoomForAWholeBlock) {
    Decoder d = MakeDecoder(8000);
    std::vector<int16_t> out(57);
    const DecodeResult r = d.Decode(kBlock0, out, true);
    EXPECT_EQ(r.samples, 0u);
    EXPECT_EQ(r.consumed, 0u);
}

Bytes WithTrailer(Bytes block, uint8_t trailer) {
    block[kCodeBytes] = trailer;
    return block;
}

TEST(Sc4Decoder, BadBlockLeavesStateAndDecodingResumesAtNextBlock) {
    Decoder d = MakeDecoder(8000);
    const Decoded out =
        DecodeAll(d, Cat({kBlock0, WithTrailer(kBlock1, 0x00), kBlock1, kBlock0}), true);

    Decoder reference = MakeDecoder(8000);
    const Decoded expected = DecodeAll(reference, Cat({kBlock0, kBlock1, kBlock0}), true);
    EXPECT_EQ(out.pcm, expected.pcm);
    EXPECT_EQ(out.result.badBlocks, 1u);
    EXPECT_EQ(out.result.skipped, 30u);
    EXPECT_EQ(out.result.consumed, 120u);
    EXPECT_EQ(out.result.longestSkipRun, 30u);
}

// Some descriptions give the periodic marker as 4 bytes; the 5-byte skip then lands one byte
// into the block, and resynchronising finds the block itself again.
TEST(Sc4Decoder, FourByteMarkerCostsNoBlock) {
    Decoder d = MakeDecoder(8000);
    const Decoded out =
        DecodeAll(d, Cat({kBlock0, {0x00, 0x00, 0x01, 0x1B}, kBlock1, kBlock0}), true);
    Decoder reference = MakeDecoder(8000);
    EXPECT_EQ(out.pcm, DecodeAll(reference, Cat({kBlock0, kBlock1, kBlock0}), true).pcm);
    EXPECT_EQ(out.result.badBlocks, 1u);
    EXPECT_EQ(out.result.skipped, 4u);
}

TEST(Sc4Decoder, ResyncIgnoresAStrayTrailerByte) {
    // The byte 0x55 at the start of the good block sits where a block starting one byte into
    // the bad one would have its trailer.
    Bytes good = kBlock0;
    good[0] = 0x55;
    Decoder d = MakeDecoder(8000);
    const Decoded out = DecodeAll(d, Cat({WithTrailer(kBlock1, 0x00), good, kBlock1}), true);

    Decoder reference = MakeDecoder(8000);
    EXPECT_EQ(out.pcm, DecodeAll(reference, Cat({good, kBlock1}), true).pcm);
    EXPECT_EQ(out.result.skipped, 30u);
}

TEST(Sc4Decoder, GarbageWithoutBlocksIsDroppedAtStreamEnd) {
    Decoder d = MakeDecoder(8000);
    const Decoded out = DecodeAll(d, Bytes(200, 0xAA), true);
    EXPECT_TRUE(out.pcm.empty());
    EXPECT_EQ(out.result.consumed, 200u);
    EXPECT_EQ(out.result.skipped, 200u);
    EXPECT_EQ(out.result.longestSkipRun, 200u);
}

// Decodes like a caller that offers what was not consumed again in front of the next chunk.
Decoded DecodeInChunks(Decoder& d, const Bytes& in, std::mt19937& rng) {
    Decoded total;
    Bytes pending;
    size_t pos = 0;
    std::uniform_int_distribution<size_t> chunkSize(0, 100);
    while (pos < in.size() || !pending.empty()) {
        const size_t take = std::min(chunkSize(rng), in.size() - pos);
        pending.insert(pending.end(), in.begin() + pos, in.begin() + pos + take);
        pos += take;
        const bool last = pos == in.size();
        std::vector<int16_t> out(2 * pending.size());
        const DecodeResult r = d.Decode(pending, out, last);
        total.pcm.insert(total.pcm.end(), out.begin(), out.begin() + r.samples);
        total.result.badBlocks += r.badBlocks;
        total.result.skipped += r.skipped;
        total.result.longestSkipRun = std::max(total.result.longestSkipRun, r.longestSkipRun);
        pending.erase(pending.begin(), pending.begin() + r.consumed);
        if (last && r.consumed == 0 && !pending.empty())
            break;
    }
    return total;
}

TEST(Sc4Decoder, ChunksOfAnySizeDecodeLikeOneStream) {
    std::mt19937 rng(7);
    const Bytes stream = Cat({{0x01, 0x1B, 0x1D},
                              kBlock0,
                              kBlock1,
                              WithTrailer(kBlock0, 0x12),
                              {0x00, 0x00, 0x01, 0x1B, 0x00},
                              kBlock1,
                              {0x33, 0x55},
                              kBlock0,
                              kBlock0,
                              Bytes(kBlock1.begin(), kBlock1.begin() + 11)});
    Decoder whole = MakeDecoder(8000);
    const Decoded expected = DecodeAll(whole, stream, true);
    ASSERT_GT(expected.result.badBlocks, 0u);
    for (int round = 0; round < 50; ++round) {
        Decoder d = MakeDecoder(8000);
        const Decoded got = DecodeInChunks(d, stream, rng);
        ASSERT_EQ(got.pcm, expected.pcm) << "round " << round;
        ASSERT_EQ(got.result.badBlocks, expected.result.badBlocks);
        ASSERT_EQ(got.result.skipped, expected.result.skipped);
        ASSERT_EQ(got.result.longestSkipRun, expected.result.longestSkipRun);
    }
}

}  // namespace
}  // namespace kivo::sc4
