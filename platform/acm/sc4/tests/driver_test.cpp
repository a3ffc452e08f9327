#include "platform/acm/acm.h"
#include "platform/acm/pcm_driver.h"
#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/encoder.h"
#include "platform/acm/sc4/sc4_driver.h"
#include "platform/acm/sc4/tests/speech.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kivo::sc4 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const std::vector<int16_t>& pcm) {
    Bytes b(pcm.size() * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        b[2 * i] = static_cast<uint8_t>(pcm[i]);
        b[2 * i + 1] = static_cast<uint8_t>(pcm[i] >> 8);
    }
    return b;
}

std::vector<int16_t> ToSamples(const Bytes& b) {
    std::vector<int16_t> pcm(b.size() / 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(b[2 * i] | b[2 * i + 1] << 8);
    return pcm;
}

std::unique_ptr<AcmStream> Open(const WaveFormat& from, const WaveFormat& to) {
    std::unique_ptr<AcmStream> stream;
    EXPECT_EQ(CreateSc4Driver()->OpenStream(from, to, ACM_STREAMOPENF_NONREALTIME, stream),
              MMSYSERR_NOERROR);
    return stream;
}

// Feeds the stream as the converter does: chunks of `chunk` bytes, the untaken rest in front of
// the next chunk, a fixed destination, and the last rest dropped.
MMRESULT Pump(AcmStream& stream, const Bytes& input, size_t chunk, size_t room, Bytes& out) {
    Bytes pending;
    Bytes destination(room);
    for (size_t at = 0; at < input.size(); at += chunk) {
        pending.insert(pending.end(), input.begin() + at,
                       input.begin() + std::min(input.size(), at + chunk));
        AcmConvertResult r;
        const MMRESULT rc = stream.Convert(pending, destination, 0, r);
        if (rc != MMSYSERR_NOERROR)
            return rc;
        EXPECT_LE(r.sourceUsed, pending.size());
        EXPECT_LE(r.destinationUsed, destination.size());
        out.insert(out.end(), destination.begin(), destination.begin() + r.destinationUsed);
        pending.erase(pending.begin(), pending.begin() + r.sourceUsed);
    }
    return MMSYSERR_NOERROR;
}

// An SC4 recording as the player writes it: the 3-byte sync pattern, then blocks.
Bytes Recording(const StreamFormat& f, const std::vector<int16_t>& pcm, Bytes sync) {
    auto encoder = Encoder::Create(f);
    Bytes blocks((pcm.size() / kCodesPerBlock + 1) * kBlockBytes);
    blocks.resize(encoder->Encode(pcm, blocks, true).bytes);
    sync.insert(sync.end(), blocks.begin(), blocks.end());
    return sync;
}

std::vector<int16_t> DecodeWhole(const StreamFormat& f, const Bytes& bytes) {
    auto decoder = Decoder::Create(f);
    std::vector<int16_t> out(2 * bytes.size());
    out.resize(decoder->Decode(bytes, out, true).samples);
    return out;
}

struct RecorderFormat {
    StreamFormat stream;
    uint32_t avgBytesPerSec;
    uint16_t samplesPerBlock;
    Bytes sync;
};

// The formats of the wrapped recordings, with their sync patterns.
const RecorderFormat kRecorderFormats[] = {
    {{8000, 2}, 8275, 29, {0x01, 0x1B, 0x1E}},   {{8000, 1}, 4137, 58, {0x01, 0x1B, 0x1D}},
    {{11025, 2}, 11405, 29, {0x01, 0x1B, 0x1B}}, {{11025, 1}, 5702, 58, {0x01, 0x1B, 0x1A}},
    {{16000, 2}, 16551, 29, {0x02, 0xB2, 0x2B}}, {{16000, 1}, 8275, 58, {0x02, 0xB2, 0x2C}},
    {{32000, 1}, 16551, 58, {0x02, 0xB2, 0x2E}},
};

TEST(Sc4Driver, ListsTheRecorderFormatsAndTheirPcm) {
    const auto driver = CreateSc4Driver();
    EXPECT_EQ(driver->FormatTags(), (std::vector<uint16_t>{0x0350, 0x0001}));
    const std::vector<AcmFormatEntry> formats = driver->Formats();

    const WaveFormat* firstSc4 = nullptr;
    const WaveFormat* firstPcm = nullptr;
    for (const AcmFormatEntry& e : formats) {
        if (e.format.tag() == 0x0350 && !firstSc4)
            firstSc4 = &e.format;
        if (e.format.tag() == WAVE_FORMAT_PCM && !firstPcm)
            firstPcm = &e.format;
        EXPECT_FALSE(e.description.empty());
    }
    // The "fmt " chunk of a recorder file, 8000 Hz mono.
    const Bytes recorder = {0x50, 0x03, 0x01, 0x00, 0x40, 0x1F, 0x00, 0x00, 0x29, 0x10,
                            0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x02, 0x00, 0x3A, 0x00};
    ASSERT_NE(firstSc4, nullptr);
    EXPECT_EQ(Bytes(firstSc4->bytes().begin(), firstSc4->bytes().end()), recorder);
    ASSERT_NE(firstPcm, nullptr);
    EXPECT_EQ(*firstPcm, WaveFormat::Pcm(1, 8000, 16));

    for (const RecorderFormat& r : kRecorderFormats) {
        SCOPED_TRACE(std::to_string(r.stream.samplesPerSec) + "/" +
                     std::to_string(r.stream.channels));
        const WaveFormat sc4 = Sc4Format(r.stream);
        EXPECT_EQ(sc4.avgBytesPerSec(), r.avgBytesPerSec);
        EXPECT_EQ(sc4.blockAlign(), 30);
        EXPECT_EQ(sc4.bitsPerSample(), 0);
        EXPECT_EQ(sc4.extra().size(), 2u);
        EXPECT_EQ(sc4.extraWord(0), r.samplesPerBlock);
        EXPECT_EQ(std::count_if(formats.begin(), formats.end(),
                                [&](const AcmFormatEntry& e) { return e.format == sc4; }),
                  1);
        EXPECT_EQ(std::count_if(
                      formats.begin(), formats.end(),
                      [&](const AcmFormatEntry& e) { return e.format == Sc4PcmFormat(r.stream); }),
                  1);
    }
}

TEST(Sc4Driver, EncodesFromItsOwnPcmAndDecodesToAny16BitPcm) {
    const WaveFormat mono8 = Sc4Format({8000, 1});
    const WaveFormat pcm8 = WaveFormat::Pcm(1, 8000, 16);
    WAVEFORMATEX noBlocks = mono8.header();
    noBlocks.nBlockAlign = 0;
    WAVEFORMATEX oddRate = mono8.header();
    oddRate.nSamplesPerSec = 22050;
    struct Case {
        const char* name;
        WaveFormat from;
        WaveFormat to;
        MMRESULT expected;
    };
    const Case cases[] = {
        {"decode", mono8, pcm8, MMSYSERR_NOERROR},
        {"encode", pcm8, mono8, MMSYSERR_NOERROR},
        {"decode stereo 16 kHz", Sc4Format({16000, 2}), WaveFormat::Pcm(2, 16000, 16),
         MMSYSERR_NOERROR},
        {"encode 32 kHz", WaveFormat::Pcm(1, 32000, 16), Sc4Format({32000, 1}), MMSYSERR_NOERROR},
        {"decode without the extra word", WaveFormat(mono8.header()), pcm8, MMSYSERR_NOERROR},
        {"decode to another rate", Sc4Format({16000, 1}), pcm8, MMSYSERR_NOERROR},
        {"decode to other channels", Sc4Format({8000, 2}), pcm8, MMSYSERR_NOERROR},
        {"decode mono to stereo 44.1 kHz", mono8, WaveFormat::Pcm(2, 44100, 16), MMSYSERR_NOERROR},
        {"8-bit pcm", mono8, WaveFormat::Pcm(1, 8000, 8), ACMERR_NOTPOSSIBLE},
        {"8-bit pcm of another rate", mono8, WaveFormat::Pcm(1, 16000, 8), ACMERR_NOTPOSSIBLE},
        {"pcm of 0 samples per second", mono8, WaveFormat::Pcm(1, 0, 16), ACMERR_NOTPOSSIBLE},
        {"pcm of three channels", mono8, WaveFormat::Pcm(3, 8000, 16), ACMERR_NOTPOSSIBLE},
        {"encode from another rate", WaveFormat::Pcm(1, 16000, 16), mono8, ACMERR_NOTPOSSIBLE},
        {"block align 0", WaveFormat(noBlocks), pcm8, ACMERR_NOTPOSSIBLE},
        {"rate without a marker", WaveFormat(oddRate), WaveFormat::Pcm(1, 22050, 16),
         ACMERR_NOTPOSSIBLE},
        {"pcm to pcm", pcm8, pcm8, ACMERR_NOTPOSSIBLE},
        {"sc4 to sc4", mono8, mono8, ACMERR_NOTPOSSIBLE},
    };
    const auto driver = CreateSc4Driver();
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

TEST(Sc4Driver, DecodesARecordingInConverterChunksAsOneStream) {
    for (const StreamFormat f : {StreamFormat{8000, 1}, StreamFormat{16000, 2}}) {
        SCOPED_TRACE(f.samplesPerSec);
        const RecorderFormat& rf = *std::find_if(
            std::begin(kRecorderFormats), std::end(kRecorderFormats), [&](const RecorderFormat& r) {
                return r.stream.samplesPerSec == f.samplesPerSec && r.stream.channels == f.channels;
            });
        const std::vector<int16_t> speech =
            f.channels == 1 ? testing::SpeechSample(f.samplesPerSec, 0)
                            : testing::Interleave(testing::SpeechSample(f.samplesPerSec, 0),
                                                  testing::SpeechSample(f.samplesPerSec, 1));
        const Bytes recording = Recording(f, speech, rf.sync);
        const std::vector<int16_t> expected = DecodeWhole(f, recording);
        ASSERT_GT(expected.size(), 0u);

        // 546 blocks per chunk; the sync pattern shifts every chunk 3 bytes into a block.
        const uint32_t samples = 546 * rf.samplesPerBlock;
        const size_t room = size_t{samples} * 2 * f.channels * 3 / 2;
        for (const size_t chunk : {size_t{16380}, size_t{1001}}) {
            Bytes out;
            ASSERT_EQ(Pump(*Open(Sc4Format(f), Sc4PcmFormat(f)), recording, chunk, room, out),
                      MMSYSERR_NOERROR);
            EXPECT_EQ(ToSamples(out), expected) << "chunk " << chunk;
        }
    }
}

// Like Pump, but once the input is handed over, converts what the stream left until it takes
// and gives nothing more.
MMRESULT PumpAll(AcmStream& stream, const Bytes& input, size_t chunk, size_t room, Bytes& out) {
    Bytes pending;
    Bytes destination(room);
    for (size_t at = 0;;) {
        const size_t next = std::min(input.size(), at + chunk);
        pending.insert(pending.end(), input.begin() + at, input.begin() + next);
        at = next;
        AcmConvertResult r;
        const MMRESULT rc = stream.Convert(pending, destination, 0, r);
        if (rc != MMSYSERR_NOERROR)
            return rc;
        out.insert(out.end(), destination.begin(), destination.begin() + r.destinationUsed);
        pending.erase(pending.begin(), pending.begin() + r.sourceUsed);
        if (at == input.size() && r.sourceUsed == 0 && r.destinationUsed == 0)
            return MMSYSERR_NOERROR;
    }
}

// The PCM driver's stream over the whole of `pcm` at once.
Bytes ConvertPcm(const WaveFormat& from, const WaveFormat& to, const Bytes& pcm) {
    std::unique_ptr<AcmStream> stream;
    EXPECT_EQ(acm::MakePcmDriver()->OpenStream(from, to, 0, stream), MMSYSERR_NOERROR);
    const uint64_t frames = pcm.size() / from.blockAlign();
    Bytes out((frames * to.samplesPerSec() / from.samplesPerSec() + 2) * to.blockAlign());
    AcmConvertResult r;
    EXPECT_EQ(stream->Convert(pcm, out, 0, r), MMSYSERR_NOERROR);
    out.resize(r.destinationUsed);
    return out;
}

std::vector<int16_t> SpeechIn(const StreamFormat& f) {
    return f.channels == 1 ? testing::SpeechSample(f.samplesPerSec, 0)
                           : testing::Interleave(testing::SpeechSample(f.samplesPerSec, 0),
                                                 testing::SpeechSample(f.samplesPerSec, 1));
}

TEST(Sc4Driver, DecodesToOtherRatesAndChannelsAsDecodingAndThenThePcmDriver) {
    struct Case {
        RecorderFormat recorder;
        WaveFormat target;
    };
    const WaveFormat pcm8 = WaveFormat::Pcm(1, 8000, 16);
    const Case cases[] = {
        {kRecorderFormats[0], pcm8},                           // 8000 stereo
        {kRecorderFormats[3], pcm8},                           // 11025 mono
        {kRecorderFormats[4], pcm8},                           // 16000 stereo
        {kRecorderFormats[6], pcm8},                           // 32000 mono
        {kRecorderFormats[1], WaveFormat::Pcm(2, 22050, 16)},  // 8000 mono, up and widened
    };
    for (const Case& c : cases) {
        const StreamFormat& f = c.recorder.stream;
        SCOPED_TRACE(std::to_string(f.samplesPerSec) + "/" + std::to_string(f.channels) + " to " +
                     std::to_string(c.target.samplesPerSec()) + "/" +
                     std::to_string(c.target.channels()));
        const Bytes recording = Recording(f, SpeechIn(f), c.recorder.sync);
        const Bytes expected =
            ConvertPcm(Sc4PcmFormat(f), c.target, ToBytes(DecodeWhole(f, recording)));
        const uint64_t frames = (recording.size() / kBlockBytes) * c.recorder.samplesPerBlock;
        // Without an end flag a rate change holds back the frames its filter still reads ahead
        // for: 36 periods of the lower rate.
        const double heldBack = f.samplesPerSec == c.target.samplesPerSec()
                                    ? 0
                                    : 36.0 * c.target.samplesPerSec() /
                                          std::min(f.samplesPerSec, c.target.samplesPerSec());
        ASSERT_NEAR(
            static_cast<double>(expected.size() / c.target.blockAlign()),
            static_cast<double>(frames * c.target.samplesPerSec() / f.samplesPerSec) - heldBack, 2);

        // The converter's destination: half again the target's share of a whole chunk.
        const uint32_t chunkSamples = 546 * c.recorder.samplesPerBlock;
        const size_t converterRoom =
            static_cast<int32_t>(chunkSamples * c.target.avgBytesPerSec() / f.samplesPerSec * 3u) /
            2;
        Bytes out;
        ASSERT_EQ(Pump(*Open(Sc4Format(f), c.target), recording, 16380, converterRoom, out),
                  MMSYSERR_NOERROR);
        EXPECT_TRUE(out == expected) << out.size() << " bytes, expected " << expected.size();

        // A destination smaller than a block's samples still takes whole blocks only, and
        // what it leaves comes again.
        for (const size_t room : {size_t{100}, size_t{1001}}) {
            out.clear();
            ASSERT_EQ(PumpAll(*Open(Sc4Format(f), c.target), recording, 1001, room, out),
                      MMSYSERR_NOERROR);
            EXPECT_TRUE(out == expected) << "room " << room << ": " << out.size() << " bytes";
        }
    }
}

TEST(Sc4Driver, ConvertingDecodeStartsAfreshAndFailsOnDataThatIsNoSc4) {
    const StreamFormat f{16000, 1};
    const WaveFormat pcm8 = WaveFormat::Pcm(1, 8000, 16);
    Bytes recording = Recording(f, SpeechIn(f), {0x02, 0xB2, 0x2C});
    recording.resize(3 + 40 * kBlockBytes);
    const auto stream = Open(Sc4Format(f), pcm8);
    Bytes destination(40 * kCodesPerBlock);
    Bytes first;
    for (int round = 0; round < 2; ++round) {
        AcmConvertResult r;
        ASSERT_EQ(stream->Convert(recording, destination, ACM_STREAMCONVERTF_START, r),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(r.sourceUsed, recording.size());
        const Bytes got(destination.begin(), destination.begin() + r.destinationUsed);
        if (round == 0)
            first = got;
        EXPECT_EQ(got, first);
    }
    EXPECT_EQ(first, ConvertPcm(Sc4PcmFormat(f), pcm8, ToBytes(DecodeWhole(f, recording))));

    std::mt19937 rng(7);
    Bytes noise(16380);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(rng() & 0xFF);
    Bytes out;
    EXPECT_EQ(Pump(*Open(Sc4Format(f), pcm8), noise, 16380, 65536, out), MMSYSERR_ERROR);
}

TEST(Sc4Driver, EncodesInAnyChunkSizeAsTheEncoderDoes) {
    const StreamFormat f{8000, 2};
    const std::vector<int16_t> pcm =
        testing::Interleave(testing::SpeechSample(8000, 0), testing::SpeechSample(8000, 1));
    Bytes expected = Recording(f, pcm, {});
    // The converter drops the last partial block.
    expected.resize(pcm.size() / kCodesPerBlock * kBlockBytes);
    for (const size_t chunk : {size_t{16384}, size_t{1001}, size_t{115}}) {
        Bytes out;
        ASSERT_EQ(Pump(*Open(Sc4PcmFormat(f), Sc4Format(f)), ToBytes(pcm), chunk, 4096, out),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(out, expected) << "chunk " << chunk;
    }
}

TEST(Sc4Driver, SkipsADamagedBlockButFailsOnDataThatIsNoSc4) {
    const StreamFormat f{8000, 1};
    Bytes damaged = Recording(f, testing::SpeechSample(8000, 0), {});
    damaged[5 * kBlockBytes + kCodeBytes] = 0x00;
    Bytes out;
    EXPECT_EQ(Pump(*Open(Sc4Format(f), Sc4PcmFormat(f)), damaged, 16380, 65536, out),
              MMSYSERR_NOERROR);
    EXPECT_EQ(out.size(), (damaged.size() / kBlockBytes - 1) * kCodesPerBlock * 2);

    std::mt19937 rng(5);
    Bytes noise(16380);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(rng() & 0xFF);
    out.clear();
    EXPECT_EQ(Pump(*Open(Sc4Format(f), Sc4PcmFormat(f)), noise, 16380, 65536, out), MMSYSERR_ERROR);
}

TEST(Sc4Driver, EndFlushesThePartialBlockAndStartBeginsAfresh) {
    const StreamFormat f{8000, 1};
    const std::vector<int16_t>& speech = testing::SpeechSample(8000, 0);
    const std::vector<int16_t> pcm(speech.begin() + 4000, speech.begin() + 4000 + 80);
    const Bytes coded = Recording(f, pcm, {});  // one block and one padded with silence
    ASSERT_EQ(coded.size(), 2 * kBlockBytes);

    const auto encode = Open(Sc4PcmFormat(f), Sc4Format(f));
    Bytes destination(4 * kBlockBytes);
    for (int round = 0; round < 2; ++round) {
        AcmConvertResult r;
        ASSERT_EQ(encode->Convert(ToBytes(pcm), destination,
                                  ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END, r),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(r.sourceUsed, 160u);
        EXPECT_EQ(Bytes(destination.begin(), destination.begin() + r.destinationUsed), coded);
    }

    const auto decode = Open(Sc4Format(f), Sc4PcmFormat(f));
    const Bytes partial(coded.begin(), coded.begin() + 40);  // a block and 10 code bytes
    Bytes pcmOut(1024);
    for (const uint32_t flags : {0u, ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END}) {
        AcmConvertResult r;
        ASSERT_EQ(decode->Convert(partial, pcmOut, flags, r), MMSYSERR_NOERROR);
        const bool end = flags != 0;
        EXPECT_EQ(r.sourceUsed, end ? 40u : 30u);
        EXPECT_EQ(r.destinationUsed, end ? 2 * 78u : 2 * 58u);
    }
}

// The converter's way of finding a driver and its first format of a tag.
struct FirstFormatSearch {
    uint16_t tag;
    Bytes found;
};

BOOL OnFormat(HACMDRIVERID, ACMFORMATDETAILSA* details, uintptr_t instance, uint32_t) {
    auto* search = reinterpret_cast<FirstFormatSearch*>(instance);
    if (details->pwfx->wFormatTag != search->tag)
        return TRUE;
    const auto* p = reinterpret_cast<const uint8_t*>(details->pwfx);
    search->found.assign(p, p + FormatRecordSize(details->pwfx));
    return FALSE;
}

Bytes FirstFormatOfTag(HACMDRIVERID id, uint16_t tag) {
    HACMDRIVER driver = nullptr;
    EXPECT_EQ(acmDriverOpen(&driver, id, 0), MMSYSERR_NOERROR);
    uint32_t size = 0;
    EXPECT_EQ(acmMetrics(driver, ACM_METRIC_MAX_SIZE_FORMAT, &size), MMSYSERR_NOERROR);
    std::vector<uint8_t> buffer(std::max<uint32_t>(size, 18));
    ACMFORMATDETAILSA details{};
    details.cbStruct = kAcmFormatDetailsSize;
    details.dwFormatTag = tag;
    details.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
    details.cbwfx = static_cast<uint32_t>(buffer.size());
    FirstFormatSearch search{tag, {}};
    EXPECT_EQ(acmFormatEnumA(driver, &details, OnFormat, reinterpret_cast<uintptr_t>(&search), 0),
              MMSYSERR_NOERROR);
    acmDriverClose(driver, 0);
    return search.found;
}

TEST(Sc4Driver, GivesTheConverterTheFormatsItLooksFor) {
    const HACMDRIVERID id = RegisterAcmDriver(CreateSc4Driver(), AcmPlacement::First);
    const WaveFormat pcm = WaveFormat::Pcm(1, 8000, 16);
    const WaveFormat sc4 = Sc4Format({8000, 1});
    EXPECT_EQ(FirstFormatOfTag(id, WAVE_FORMAT_PCM), Bytes(pcm.bytes().begin(), pcm.bytes().end()));
    EXPECT_EQ(FirstFormatOfTag(id, 0x0350), Bytes(sc4.bytes().begin(), sc4.bytes().end()));

    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, id, 0), MMSYSERR_NOERROR);
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, driver, sc4.record(), pcm.record(), nullptr, 0, 0,
                            ACM_STREAMOPENF_NONREALTIME),
              MMSYSERR_NOERROR);
    Bytes recording = Recording({8000, 1}, testing::SpeechSample(8000, 0), {0x01, 0x1B, 0x1D});
    recording.resize(3 + 100 * kBlockBytes);
    Bytes destination(100 * kCodesPerBlock * 2);
    ACMSTREAMHEADER header{};
    header.cbStruct = kAcmStreamHeaderSize;
    header.pbSrc = recording.data();
    header.cbSrcLength = static_cast<uint32_t>(recording.size());
    header.pbDst = destination.data();
    header.cbDstLength = static_cast<uint32_t>(destination.size());
    ASSERT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(header.cbSrcLengthUsed, recording.size());
    EXPECT_EQ(header.cbDstLengthUsed, destination.size());
    EXPECT_EQ(ToSamples(destination), DecodeWhole({8000, 1}, recording));
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmDriverClose(driver, 0), MMSYSERR_NOERROR);
    EXPECT_TRUE(UnregisterAcmDriver(id));
}

}  // namespace
}  // namespace kivo::sc4
