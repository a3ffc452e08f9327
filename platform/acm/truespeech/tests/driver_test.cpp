#include "platform/acm/truespeech/decoder.h"
#include "platform/acm/truespeech/encoder.h"
#include "platform/acm/truespeech/tests/speech.h"
#include "platform/acm/truespeech/truespeech_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace kivo::truespeech {
namespace {

std::vector<uint8_t> ToBytes(const std::vector<int16_t>& pcm) {
    std::vector<uint8_t> b(pcm.size() * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        b[2 * i] = static_cast<uint8_t>(pcm[i]);
        b[2 * i + 1] = static_cast<uint8_t>(pcm[i] >> 8);
    }
    return b;
}

std::vector<int16_t> ToSamples(const std::vector<uint8_t>& b) {
    std::vector<int16_t> pcm(b.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        pcm[i] = static_cast<int16_t>(b[2 * i] | b[2 * i + 1] << 8);
    }
    return pcm;
}

std::unique_ptr<AcmStream> Open(const WaveFormat& from, const WaveFormat& to) {
    std::unique_ptr<AcmStream> stream;
    EXPECT_EQ(CreateTrueSpeechDriver()->OpenStream(from, to, ACM_STREAMOPENF_NONREALTIME, stream),
              MMSYSERR_NOERROR);
    return stream;
}

// Feeds the stream chunk by chunk the way the converter does: untaken bytes go in front of the
// next chunk, and what remains at the end is dropped.
std::vector<uint8_t> Pump(AcmStream& stream, const std::vector<uint8_t>& input, size_t chunk,
                          size_t room) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> pending;
    std::vector<uint8_t> destination(room);
    for (size_t at = 0; at < input.size(); at += chunk) {
        pending.insert(pending.end(), input.begin() + at,
                       input.begin() + std::min(input.size(), at + chunk));
        AcmConvertResult r;
        EXPECT_EQ(stream.Convert(pending, destination, 0, r), MMSYSERR_NOERROR);
        EXPECT_LE(r.sourceUsed, pending.size());
        EXPECT_LE(r.destinationUsed, destination.size());
        out.insert(out.end(), destination.begin(), destination.begin() + r.destinationUsed);
        pending.erase(pending.begin(), pending.begin() + r.sourceUsed);
    }
    return out;
}

TEST(TrueSpeechDriver, ListsTheFormatAsRecordedFilesCarryItThenItsPcmPartner) {
    const auto driver = CreateTrueSpeechDriver();
    EXPECT_EQ(driver->FormatTags(), (std::vector<uint16_t>{0x0022, 0x0001}));
    const std::vector<AcmFormatEntry> formats = driver->Formats();
    ASSERT_EQ(formats.size(), 2u);
    // The "fmt " chunk of a file written by the original codec.
    std::vector<uint8_t> recorded = {0x22, 0x00, 0x01, 0x00, 0x40, 0x1F, 0x00, 0x00,
                                     0x2B, 0x04, 0x00, 0x00, 0x20, 0x00, 0x01, 0x00,
                                     0x20, 0x00, 0x01, 0x00, 0xF0, 0x00};
    recorded.resize(50, 0);
    const auto bytes = formats[0].format.bytes();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), recorded);
    EXPECT_EQ(formats[1].format, WaveFormat::Pcm(1, 8000, 16));
    EXPECT_EQ(formats[1].format, TrueSpeechPcmFormat());
}

TEST(TrueSpeechDriver, OpensOnlyBetweenTrueSpeechAndItsPcmPartner) {
    WAVEFORMATEX sc4{};
    sc4.wFormatTag = WAVE_FORMAT_SC4;
    sc4.nChannels = 1;
    sc4.nSamplesPerSec = 8000;
    sc4.nBlockAlign = 30;
    WAVEFORMATEX stereo = TrueSpeechFormat().header();
    stereo.nChannels = 2;
    WAVEFORMATEX oddBlocks = TrueSpeechFormat().header();
    oddBlocks.nBlockAlign = 30;
    const WaveFormat ts = TrueSpeechFormat();
    const WaveFormat pcm = TrueSpeechPcmFormat();
    struct Case {
        const char* name;
        WaveFormat from;
        WaveFormat to;
        MMRESULT expected;
    };
    const Case cases[] = {
        {"encode", pcm, ts, MMSYSERR_NOERROR},
        {"decode", ts, pcm, MMSYSERR_NOERROR},
        {"decode, no extra bytes", WaveFormat(ts.header()), pcm, MMSYSERR_NOERROR},
        {"pcm at 16 kHz", WaveFormat::Pcm(1, 16000, 16), ts, ACMERR_NOTPOSSIBLE},
        {"stereo pcm", WaveFormat::Pcm(2, 8000, 16), ts, ACMERR_NOTPOSSIBLE},
        {"8-bit pcm", WaveFormat::Pcm(1, 8000, 8), ts, ACMERR_NOTPOSSIBLE},
        {"to stereo TrueSpeech", pcm, WaveFormat(stereo), ACMERR_NOTPOSSIBLE},
        {"from 30-byte blocks", WaveFormat(oddBlocks), pcm, ACMERR_NOTPOSSIBLE},
        {"pcm to pcm", pcm, pcm, ACMERR_NOTPOSSIBLE},
        {"TrueSpeech to itself", ts, ts, ACMERR_NOTPOSSIBLE},
        {"SC4 source", WaveFormat(sc4), pcm, ACMERR_NOTPOSSIBLE},
    };
    const auto driver = CreateTrueSpeechDriver();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<AcmStream> stream;
        EXPECT_EQ(driver->OpenStream(c.from, c.to, ACM_STREAMOPENF_NONREALTIME, stream),
                  c.expected);
        EXPECT_EQ(stream != nullptr, c.expected == MMSYSERR_NOERROR);
        std::unique_ptr<AcmStream> queried;
        EXPECT_EQ(driver->OpenStream(c.from, c.to, ACM_STREAMOPENF_QUERY, queried), c.expected);
    }
}

TEST(TrueSpeechDriver, EncodesWholeFramesInAnyChunkSizeAsTheEncoderDoes) {
    const std::vector<int16_t> pcm = testing::TwoTones(8000 + 100);
    std::vector<uint8_t> expected;
    Encoder encoder;
    for (size_t at = 0; at + kFrameSamples <= pcm.size(); at += kFrameSamples) {
        const auto frame = encoder.EncodeFrame(std::span(pcm).subspan(at).first<kFrameSamples>());
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    struct Case {
        size_t chunk;
        size_t room;
    };
    // Odd chunks split samples and frames; a small destination takes fewer frames.
    for (const Case c : {Case{16384, 1638}, Case{1001, 4096}, Case{16384, 64}, Case{479, 32}}) {
        SCOPED_TRACE(c.chunk);
        const auto stream = Open(TrueSpeechPcmFormat(), TrueSpeechFormat());
        std::vector<uint8_t> out = Pump(*stream, ToBytes(pcm), c.chunk, c.room);
        // With a small destination the last chunks leave more behind, which is dropped.
        ASSERT_LE(out.size(), expected.size());
        EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin()));
        if (c.room >= 1638) {
            EXPECT_EQ(out.size(), expected.size());
        }
    }
}

TEST(TrueSpeechDriver, DecodesAsTheDecoderModelDoes) {
    const std::vector<int16_t> speech = testing::SynthesiseSpeech("Seven o clock.");
    ASSERT_GT(speech.size(), 4000u) << "espeak-ng and sox must be installed";
    const auto encode = Open(TrueSpeechPcmFormat(), TrueSpeechFormat());
    const std::vector<uint8_t> coded = Pump(*encode, ToBytes(speech), 16384, 1638);

    std::vector<int16_t> expected(coded.size() / kFrameBytes * kFrameSamples);
    Decoder model;
    model.Decode(coded, expected);

    for (size_t chunk : {size_t{4096}, size_t{45}}) {
        SCOPED_TRACE(chunk);
        const auto decode = Open(TrueSpeechFormat(), TrueSpeechPcmFormat());
        const std::vector<int16_t> decoded = ToSamples(Pump(*decode, coded, chunk, 4 * 1024 * 15));
        EXPECT_EQ(decoded, expected);
    }
    EXPECT_GE(testing::SegmentalSnr(speech, expected), 8.0);
}

TEST(TrueSpeechDriver, StartFlagBeginsAFreshStream) {
    const std::vector<uint8_t> pcm = ToBytes(testing::TwoTones(2400));
    for (const bool encode : {true, false}) {
        SCOPED_TRACE(encode);
        std::vector<uint8_t> input = pcm;
        if (!encode) {
            input = Pump(*Open(TrueSpeechPcmFormat(), TrueSpeechFormat()), pcm, 4800, 320);
        }
        const auto stream = encode ? Open(TrueSpeechPcmFormat(), TrueSpeechFormat())
                                   : Open(TrueSpeechFormat(), TrueSpeechPcmFormat());
        std::vector<uint8_t> first(8192), second(8192);
        AcmConvertResult a, b;
        ASSERT_EQ(stream->Convert(input, first, ACM_STREAMCONVERTF_START, a), MMSYSERR_NOERROR);
        ASSERT_EQ(stream->Convert(input, second, ACM_STREAMCONVERTF_START, b), MMSYSERR_NOERROR);
        ASSERT_GT(a.destinationUsed, 0u);
        EXPECT_EQ(a.destinationUsed, b.destinationUsed);
        EXPECT_EQ(first, second);
    }
}

TEST(TrueSpeechDriver, TakesNothingWhenNoWholeFrameFits) {
    struct Case {
        bool encode;
        size_t source;
        size_t room;
    };
    for (const Case c :
         {Case{true, 479, 32}, Case{true, 480, 31}, Case{false, 31, 480}, Case{false, 32, 479}}) {
        const auto stream = c.encode ? Open(TrueSpeechPcmFormat(), TrueSpeechFormat())
                                     : Open(TrueSpeechFormat(), TrueSpeechPcmFormat());
        std::vector<uint8_t> source(c.source, 0x11), destination(c.room);
        AcmConvertResult r{1, 1};
        EXPECT_EQ(stream->Convert(source, destination, 0, r), MMSYSERR_NOERROR);
        EXPECT_EQ(r.sourceUsed, 0u);
        EXPECT_EQ(r.destinationUsed, 0u);
    }
}

}  // namespace
}  // namespace kivo::truespeech
