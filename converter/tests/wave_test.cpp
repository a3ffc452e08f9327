#include "converter/archive.h"
#include "converter/codec_lookup.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace kivo::converter {
namespace {

using namespace testing_support;

class WaveTest : public ConverterTest {};

TEST_F(WaveTest, NewWaveSelectsTrueSpeechWhenItsDriverIsThere) {
    {
        CWave wave(0);
        EXPECT_EQ(wave.m_wFormatTag, 0);
        EXPECT_TRUE(wave.m_pFormat.empty());
    }
    auto script = TrueSpeechScript();
    script.formats = {{TrueSpeechFormat(), "ts"}, {WaveFormat::Pcm(1, 11025, 8), "pcm"}};
    Register(script, tsLog_);
    CWave wave(0);
    EXPECT_EQ(wave.m_wFormatTag, WAVE_FORMAT_TRUESPEECH);
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(1, 11025, 8));
    EXPECT_EQ(wave.m_bAutoDelete, 0);
}

struct TypeCase {
    uint32_t type;
    uint16_t tag;
};

class CompressionType : public WaveTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(CompressionType, SelectsTheTagOfTheTable) {
    acm::DriverScript script;
    script.tag = GetParam().tag;
    script.formats = {{WaveFormat::Pcm(2, 22050, 16), "pcm"},
                      {acm::CodedFormat(GetParam().tag, 1, 8000, 30, 58), "coded"}};
    Register(script, sc4Log_);
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 8));
    wave.SetCompressionType(GetParam().type, 1);
    EXPECT_EQ(wave.m_wFormatTag, GetParam().tag);
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(1, 8000, 8));
    wave.SetCompressionType(GetParam().type, 0);
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(2, 22050, 16));
}

INSTANTIATE_TEST_SUITE_P(Table, CompressionType,
                         ::testing::Values(TypeCase{0, 0x0022}, TypeCase{1, 0x0031},
                                           TypeCase{2, 0x0002}, TypeCase{3, 0x0011},
                                           TypeCase{4, 0x0006}, TypeCase{5, 0x0007},
                                           TypeCase{6, 0x0350}, TypeCase{7, 0x0022},
                                           TypeCase{0xFFFFFFFF, 0x0022}));

TEST_F(WaveTest, SelectionWithoutDriverOrPcmFormatChangesNothing) {
    auto script = Sc4Script();
    script.formats = {{Sc4Format(1), "sc4 only"}};
    Register(script, sc4Log_);
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 8));
    wave.m_wFormatTag = 0x1234;
    wave.SetCompressionType(kCompressionSc4, 0);  // driver without a PCM format
    wave.SetCompressionType(1, 0);                // no GSM driver at all
    EXPECT_EQ(wave.m_wFormatTag, 0x1234);
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(1, 8000, 8));
}

TEST_F(WaveTest, DriverLookupTakesTheFirstDriverAndFormatOfTheTag) {
    auto later = Sc4Script();
    later.formats = {{WaveFormat::Pcm(2, 8000, 16), "pcm"}, {Sc4Format(2), "stereo"}};
    const HACMDRIVERID second =
        RegisterAcmDriver(acm::MakeScriptedDriver(later, sc4Log_), AcmPlacement::First);
    auto first = Sc4Script();
    first.formats = {{Sc4Format(1), "mono"}, {Sc4Format(2), "stereo"}};
    const HACMDRIVERID firstId =
        RegisterAcmDriver(acm::MakeScriptedDriver(first, sc4Log_), AcmPlacement::First);
    EXPECT_EQ(FindDriverForTag(WAVE_FORMAT_SC4), firstId);
    EXPECT_EQ(FindDriverForTag(WAVE_FORMAT_PCM), second);
    EXPECT_EQ(FirstFormatOfTag(firstId, WAVE_FORMAT_SC4), Sc4Format(1));
    EXPECT_EQ(FirstFormatOfTag(firstId, WAVE_FORMAT_PCM), std::nullopt);
    EXPECT_EQ(FindDriverForTag(0x7777), std::nullopt);
}

TEST_F(WaveTest, ArchiveStoresAndLoadsFormatAndBlocks) {
    CWave wave(0);
    SetFormat(wave, Sc4Format(1));
    wave.m_blocks.AddTail(MakeBlock(30, 58, 1));
    wave.m_blocks.AddTail(std::make_unique<CWaveBlock>());
    std::vector<uint8_t> bytes;
    CArchive store(bytes, CArchive::Mode::kStore);
    wave.Serialize(store);
    // Record, count, then "CWaveBlock" schema 0, samples, bytes, data.
    ASSERT_EQ(bytes.size(), 20u + 4 + 2 * (2 + 10 + 2 + 8) + 30);
    EXPECT_EQ(std::string(bytes.begin() + 26, bytes.begin() + 36), "CWaveBlock");

    const CRuntimeClass* record = FindRuntimeClass("CWave");
    ASSERT_NE(record, nullptr);
    std::unique_ptr<CObject> object = record->m_pfnCreateObject();
    auto& loaded = static_cast<CWave&>(*object);
    EXPECT_EQ(loaded.m_bAutoDelete, 0);
    CArchive load(bytes, CArchive::Mode::kLoad);
    loaded.Serialize(load);
    EXPECT_FALSE(load.Failed());
    EXPECT_EQ(loaded.m_pFormat, wave.m_pFormat);
    ASSERT_EQ(loaded.m_blocks.GetCount(), 2u);
    EXPECT_EQ(loaded.m_blocks.GetHead().m_nSamples, 58);
    EXPECT_EQ(loaded.m_blocks.GetHead().m_pData[29], 30);
    EXPECT_EQ(loaded.m_blocks.GetAt(1).m_nBytes, 0);
}

TEST_F(WaveTest, DamagedArchivesFailWithoutMakingBlocks) {
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    wave.m_blocks.AddTail(MakeBlock(8, 4));
    std::vector<uint8_t> good;
    CArchive store(good, CArchive::Mode::kStore);
    wave.Serialize(store);

    std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
    std::vector<uint8_t> renamed = good;
    renamed[18 + 4 + 2] = 'X';  // "XWaveBlock"
    std::vector<uint8_t> huge = good;
    huge[18 + 4 + 2 + 10 + 2 + 4 + 3] = 0x7F;  // a byte count the archive cannot hold
    for (auto* bytes : {&truncated, &renamed, &huge}) {
        CWave loaded(0);
        CArchive load(*bytes, CArchive::Mode::kLoad);
        loaded.Serialize(load);
        EXPECT_TRUE(load.Failed());
        EXPECT_TRUE(loaded.m_blocks.IsEmpty());
    }
}

}  // namespace
}  // namespace kivo::converter
