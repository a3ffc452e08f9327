#include "converter/file_errors.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace kivo::converter {
namespace {

using namespace testing_support;

class RiffTest : public ConverterTest {};

struct PortionCase {
    const char* name;
    WaveFormat format;
    size_t dataBytes;
    std::vector<int32_t> bytes;
    std::vector<int32_t> samples;
    friend void PrintTo(const PortionCase& c, std::ostream* os) { *os << c.name; }
};

class PortionCount : public RiffTest, public ::testing::WithParamInterface<PortionCase> {};

TEST_P(PortionCount, PortionsHoldWholeBlocksAndCountTheirSamples) {
    const PortionCase& c = GetParam();
    WriteFile("in.wav", Riff(Chunk("fmt ", FormatBytes(c.format)) +
                             Chunk("data", std::string(c.dataBytes, '\x5A'))));
    CWave wave(0);
    ASSERT_EQ(wave.Load(Path("in.wav").c_str()), 1);
    std::vector<int32_t> bytes, samples;
    for (const auto& b : wave.m_blocks) {
        bytes.push_back(b->m_nBytes);
        samples.push_back(b->m_nSamples);
    }
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(samples, c.samples);
    EXPECT_EQ(wave.m_pFormat.size(), c.format.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortionCount,
    ::testing::Values(
        PortionCase{"Sc4Mono", Sc4Format(1), 16380 + 95, {16380, 95}, {31668, 3 * 58}},
        PortionCase{"Sc4Stereo", Sc4Format(2), 2 * 16380, {16380, 16380}, {15834, 15834}},
        PortionCase{"Pcm16Stereo", WaveFormat::Pcm(2, 8000, 16), 16384 + 8, {16384, 8}, {8192, 4}},
        PortionCase{"EmptyData", Sc4Format(1), 0, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RiffTest, ChunksAfterTheDataAreNotAudio) {
    const std::string data(40, 'd');
    WriteFile("in.wav", Riff(Chunk("fmt ", FormatBytes(WaveFormat::Pcm(1, 8000, 16))) +
                             Chunk("data", data) + Chunk("LIST", "INFOjunk")));
    CWave wave(0);
    ASSERT_EQ(wave.Load(Path("in.wav").c_str()), 1);
    ASSERT_EQ(wave.m_blocks.GetCount(), 1u);
    EXPECT_EQ(wave.m_blocks.GetHead().m_nBytes, 40);
    EXPECT_EQ(wave.GetSampleCount(), 20);
}

TEST_F(RiffTest, LoadOfAMissingOrEmptyPathFails) {
    CWave wave(0);
    EXPECT_EQ(wave.Load(""), 0);
    EXPECT_EQ(wave.Load(nullptr), 0);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(wave.Load(Path("missing.wav").c_str()), 0);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Failed to open file");
    EXPECT_EQ(boxes_[0].caption, "sonoform");
    EXPECT_EQ(boxes_[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(boxes_[0].owner, nullptr);
}

struct BadFile {
    const char* name;
    std::string bytes;
    friend void PrintTo(const BadFile& c, std::ostream* os) { *os << c.name; }
};

class RefusedFile : public RiffTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(RefusedFile, LoadSaysFailedToLoadAndKeepsTheFormat) {
    WriteFile("bad.wav", GetParam().bytes);
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(2, 22050, 8));
    wave.m_blocks.AddTail(MakeBlock(4, 2));
    EXPECT_EQ(wave.Load(Path("bad.wav").c_str()), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to load file"});
    EXPECT_TRUE(wave.m_blocks.IsEmpty());
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(2, 22050, 8));
}

WaveFormat WithRate(WaveFormat f, uint32_t rate, uint16_t align) {
    WAVEFORMATEX h = f.header();
    h.nSamplesPerSec = rate;
    h.nBlockAlign = align;
    return WaveFormat(h, f.extra());
}

const std::string kPcmFmt = FormatBytes(WaveFormat::Pcm(1, 8000, 16));

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFile,
    ::testing::Values(
        BadFile{"NotRiff", "RIFX" + Le32(4) + "WAVE"},
        BadFile{"NotWave", "RIFF" + Le32(4) + "AVI "},
        BadFile{"NoFmt", Riff(Chunk("data", "abcd"))},
        BadFile{"DataBeforeFmt", Riff(Chunk("data", "abcd") + Chunk("fmt ", kPcmFmt))},
        BadFile{"NoData", Riff(Chunk("fmt ", kPcmFmt))},
        BadFile{"ShortFmtChunk", Riff(Chunk("fmt ", kPcmFmt.substr(0, 16)) + Chunk("data", "ab"))},
        BadFile{"FmtCutByEndOfFile", "RIFF" + Le32(100) + "WAVEfmt " + Le32(18) + "abc"},
        BadFile{"ExtraSizeBeyondChunk",
                Riff(Chunk("fmt ", FormatBytes(Sc4Format(1)).substr(0, 19)) + Chunk("data", "ab"))},
        BadFile{"ZeroRate", Riff(Chunk("fmt ", FormatBytes(WithRate(Sc4Format(1), 0, 30))) +
                                 Chunk("data", "a"))},
        BadFile{"ZeroBlockAlign", Riff(Chunk("fmt ", FormatBytes(WithRate(Sc4Format(1), 8000, 0))) +
                                       Chunk("data", "a"))}),
    [](const auto& info) { return std::string(info.param.name); });

// F = 21 (odd): the record gets a pad byte and "fact" follows it.
WaveFormat OddFormat() {
    WAVEFORMATEX h{};
    h.wFormatTag = WAVE_FORMAT_TRUESPEECH;
    h.nChannels = 1;
    h.nSamplesPerSec = 8000;
    h.nAvgBytesPerSec = 1067;
    h.nBlockAlign = 32;
    h.wBitsPerSample = 1;
    const uint8_t extra[3] = {7, 8, 9};
    return WaveFormat(h, extra);
}

TEST_F(RiffTest, SaveWritesTheLayoutByteForByte) {
    CWave wave(0);
    SetFormat(wave, OddFormat());
    wave.m_blocks.AddTail(MakeBlock(3, 240, 'a'));
    wave.m_blocks.AddTail(MakeBlock(2, 100, 'x'));
    ASSERT_EQ(wave.Save(Path("out.wav").c_str()), 1);
    const std::string expected = Riff(Chunk("fmt ", FormatBytes(OddFormat())) +
                                      Chunk("fact", Le32(340)) + Chunk("data", "abcxy"));
    EXPECT_EQ(ReadFile("out.wav"), expected);
    EXPECT_EQ(expected.substr(20 + 22, 4), "fact");
    EXPECT_EQ(Listing(), std::vector<std::string>{"out.wav"});
}

// A "fmt " chunk may store more than its record; a saved file keeps only the record, 18 bytes
// and the extra size.
TEST_F(RiffTest, SaveWritesTheRecordOfALongerFmtChunk) {
    for (const WaveFormat& format : {Sc4Format(1), WaveFormat::Pcm(2, 16000, 16)}) {
        const std::string data = Sc4Data(2);
        WriteFile("in.wav",
                  Riff(Chunk("fmt ", FormatBytes(format) + "wxyz!") + Chunk("data", data)));
        CWave wave(0);
        ASSERT_EQ(wave.Load(Path("in.wav").c_str()), 1);
        ASSERT_EQ(wave.m_pFormat.size(), format.size() + 5);
        ASSERT_EQ(wave.Save(Path("out.wav").c_str()), 1);
        EXPECT_EQ(ReadFile("out.wav"),
                  Riff(Chunk("fmt ", FormatBytes(format)) +
                       Chunk("fact", Le32(wave.GetSampleCount())) + Chunk("data", data)));
    }
}

TEST_F(RiffTest, EmptyWaveSavesZeroFactAndEmptyData) {
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    ASSERT_EQ(wave.Save(Path("out.wav").c_str()), 1);
    EXPECT_EQ(ReadFile("out.wav"),
              Riff(Chunk("fmt ", kPcmFmt) + Chunk("fact", Le32(0)) + Chunk("data", "")));
}

TEST_F(RiffTest, SavedFileLoadsBackTheSameWave) {
    const std::string data = Sc4Data(600);
    WriteFile("in.wav", Sc4File(1, data));
    CWave wave(0);
    ASSERT_EQ(wave.Load(Path("in.wav").c_str()), 1);
    ASSERT_EQ(wave.Save(Path("in.wav").c_str()), 1);  // over the file just read
    CWave again(0);
    ASSERT_EQ(again.Load(Path("in.wav").c_str()), 1);
    EXPECT_EQ(again.m_pFormat, wave.m_pFormat);
    EXPECT_EQ(again.GetSampleCount(), 600 * 58);
    EXPECT_EQ(ReadFile("in.wav"), Riff(Chunk("fmt ", FormatBytes(Sc4Format(1))) +
                                       Chunk("fact", Le32(600 * 58)) + Chunk("data", data)));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(RiffTest, SaveToAnEmptyPathOrMissingFolderFails) {
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    EXPECT_EQ(wave.Save(""), 0);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(wave.Save(Path("no/such/out.wav").c_str()), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to create file"});
}

TEST_F(RiffTest, FullDiskFailsTheSaveAndLeavesTheOldFile) {
    WriteFile("out.wav", "old contents");
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    for (int i = 0; i < 4; ++i)
        wave.m_blocks.AddTail(MakeBlock(16384, 8192));
    {
        FileSizeLimit limit(20000);
        EXPECT_EQ(wave.Save(Path("out.wav").c_str()), 0);
    }
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to save file"});
    EXPECT_EQ(ReadFile("out.wav"), "old contents");
    EXPECT_EQ(Listing(), std::vector<std::string>{"out.wav"});
}

TEST_F(RiffTest, WaveWithoutFormatIsNotSaved) {
    CWave wave(0);  // no TrueSpeech driver: no format
    ASSERT_TRUE(wave.m_pFormat.empty());
    EXPECT_EQ(wave.Save(Path("out.wav").c_str()), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to save file"});
    EXPECT_FALSE(Exists("out.wav"));
}

}  // namespace
}  // namespace kivo::converter
