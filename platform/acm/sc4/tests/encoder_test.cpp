#include "platform/acm/sc4/encoder.h"
#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/tests/speech.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sc4 {
namespace {

using Bytes = std::vector<uint8_t>;

struct Encoded {
    Bytes bytes;
    std::vector<int16_t> decoded;  // what the encoder expects a decoder to give
};

Encoded EncodeAll(const StreamFormat& format, const std::vector<int16_t>& pcm) {
    auto encoder = Encoder::Create(format);
    EXPECT_TRUE(encoder.has_value());
    Encoded out;
    std::array<uint8_t, kBlockBytes> block;
    std::array<int16_t, kCodesPerBlock> decoded;
    for (size_t at = 0; at < pcm.size(); at += kCodesPerBlock) {
        const size_t n = std::min(kCodesPerBlock, pcm.size() - at);
        encoder->EncodeBlock(std::span(pcm).subspan(at, n), block, decoded);
        out.bytes.insert(out.bytes.end(), block.begin(), block.end());
        out.decoded.insert(out.decoded.end(), decoded.begin(), decoded.end());
    }
    return out;
}

std::vector<int16_t> DecodeAll(const StreamFormat& format, const Bytes& bytes) {
    auto decoder = Decoder::Create(format);
    EXPECT_TRUE(decoder.has_value());
    std::vector<int16_t> out(2 * bytes.size());
    const DecodeResult r = decoder->Decode(bytes, out, true);
    EXPECT_EQ(r.consumed, bytes.size());
    EXPECT_EQ(r.badBlocks, 0u);
    out.resize(r.samples);
    return out;
}

// True when the block at `at` starts with bytes a decoder takes for a sync header.
bool StartsWithHeader(const Bytes& bytes, size_t at, uint16_t marker) {
    const uint32_t head = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
                          (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    return head == marker || (head >> 16) == marker;
}

struct RoundTripCase {
    StreamFormat format;
    double minSnr;
};

// Greedy search on clean speech stays well above 18 dB; higher rates predict better.
const RoundTripCase kRoundTrips[] = {
    {{8000, 1}, 18.0},  {{11025, 1}, 18.0}, {{16000, 1}, 20.0},
    {{32000, 1}, 20.0}, {{8000, 2}, 18.0},  {{16000, 2}, 20.0},
};

TEST(Sc4Encoder, SpeechRoundTripsThroughTheDecoder) {
    for (const RoundTripCase& c : kRoundTrips) {
        const uint32_t rate = c.format.samplesPerSec;
        SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(c.format.channels) + " ch");
        const std::vector<int16_t> pcm = c.format.channels == 1
                                             ? testing::SpeechSample(rate, 0)
                                             : testing::Interleave(testing::SpeechSample(rate, 0),
                                                                   testing::SpeechSample(rate, 1));
        ASSERT_GT(pcm.size(), rate) << "no speech synthesised";
        const Encoded enc = EncodeAll(c.format, pcm);
        const std::vector<int16_t> dec = DecodeAll(c.format, enc.bytes);
        ASSERT_EQ(dec, enc.decoded);

        for (unsigned ch = 0; ch < c.format.channels; ++ch) {
            const double snr = testing::SegmentalSnr(testing::Channel(pcm, c.format.channels, ch),
                                                     testing::Channel(dec, c.format.channels, ch));
            EXPECT_GE(snr, c.minSnr) << "channel " << ch;
        }
        const uint16_t marker = SyncMarker(rate);
        for (size_t at = 0; at < enc.bytes.size(); at += kBlockBytes) {
            ASSERT_EQ(enc.bytes[at + kCodeBytes], kTrailer) << "block at " << at;
            ASSERT_FALSE(StartsWithHeader(enc.bytes, at, marker)) << "block at " << at;
        }
    }
}

struct HeaderCase {
    std::string name;
    StreamFormat format;
    Bytes start;  // the block start the ideal codes would form
};

const HeaderCase kHeaderCases[] = {
    {"short form, 8 kHz", {8000, 1}, {0x01, 0x1B}},
    {"long form, 8 kHz", {8000, 1}, {0x00, 0x00, 0x01, 0x1B}},
    {"short form, 32 kHz", {32000, 1}, {0x02, 0xB2}},
    {"long form, 16 kHz", {16000, 1}, {0x00, 0x00, 0x02, 0xB2}},
    {"short form, stereo", {11025, 2}, {0x01, 0x1B}},
};

// PCM that the decoder gives for a block starting with a sync header: the nearest codes
// would reproduce that header, so the encoder must pick a different code.
TEST(Sc4Encoder, NeverStartsABlockWithASyncHeader) {
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(c.name);
        Bytes ideal(kBlockBytes, 0x12);
        std::copy(c.start.begin(), c.start.end(), ideal.begin());
        ideal[kCodeBytes] = kTrailer;
        // Decoded as a headerless block by a decoder of a rate with the other marker.
        const StreamFormat other{c.format.samplesPerSec <= 11025 ? 16000u : 8000u,
                                 c.format.channels};
        const std::vector<int16_t> pcm = DecodeAll(other, ideal);
        ASSERT_EQ(pcm.size(), kCodesPerBlock);

        const Encoded enc = EncodeAll(c.format, pcm);
        EXPECT_FALSE(StartsWithHeader(enc.bytes, 0, SyncMarker(c.format.samplesPerSec)));
        EXPECT_EQ(Bytes(enc.bytes.begin(), enc.bytes.begin() + c.start.size() - 1),
                  Bytes(c.start.begin(), c.start.end() - 1));
        EXPECT_EQ(DecodeAll(c.format, enc.bytes), enc.decoded);
    }
}

TEST(Sc4Encoder, StreamTakesWholeBlocksAndPadsTheLastWithSilence) {
    const std::vector<int16_t>& speech = testing::SpeechSample(8000, 0);
    const std::vector<int16_t> pcm(speech.begin(), speech.begin() + 3 * kCodesPerBlock + 20);
    auto encoder = Encoder::Create({8000, 1});
    ASSERT_TRUE(encoder.has_value());
    Bytes out(10 * kBlockBytes);

    const EncodeResult partial = encoder->Encode(pcm, out, false);
    EXPECT_EQ(partial.consumed, 3 * kCodesPerBlock);
    EXPECT_EQ(partial.bytes, 3 * kBlockBytes);

    const EncodeResult tail = encoder->Encode(std::span(pcm).subspan(partial.consumed),
                                              std::span(out).subspan(partial.bytes), true);
    EXPECT_EQ(tail.consumed, 20u);
    EXPECT_EQ(tail.bytes, kBlockBytes);

    std::vector<int16_t> padded = pcm;
    padded.resize(4 * kCodesPerBlock, 0);
    const Encoded whole = EncodeAll({8000, 1}, padded);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4 * kBlockBytes), whole.bytes);
}

TEST(Sc4Encoder, StreamStopsWhenTheOutputIsFull) {
    auto encoder = Encoder::Create({16000, 2});
    ASSERT_TRUE(encoder.has_value());
    const std::vector<int16_t> pcm(5 * kCodesPerBlock, 1000);
    Bytes out(2 * kBlockBytes + 29);
    const EncodeResult r = encoder->Encode(pcm, out, true);
    EXPECT_EQ(r.consumed, 2 * kCodesPerBlock);
    EXPECT_EQ(r.bytes, 2 * kBlockBytes);
}

TEST(Sc4Encoder, RefusesUnsupportedFormats) {
    EXPECT_FALSE(Encoder::Create({22050, 1}).has_value());
    EXPECT_FALSE(Encoder::Create({8000, 3}).has_value());
}

}  // namespace
}  // namespace sc4
