#include "converter/codec_lookup.h"
#include "platform/win/window.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace kivo::converter {
namespace {

using namespace testing_support;

class ConvertTest : public ConverterTest {
protected:
    // An SC4 wave of `blocks` portions of `perPortion` codec blocks each.
    void FillSc4(CWave& wave, int portions, int perPortion) {
        SetFormat(wave, Sc4Format(1));
        for (int p = 0; p < portions; ++p) {
            wave.m_blocks.AddTail(
                MakeBlock(perPortion * 30, perPortion * 58, static_cast<uint8_t>(p * 16)));
        }
        wave.m_wFormatTag = WAVE_FORMAT_SC4;
    }

    static std::vector<int32_t> Sizes(const CWave& wave) {
        std::vector<int32_t> sizes;
        for (const auto& b : wave.m_blocks)
            sizes.push_back(b->m_nBytes);
        return sizes;
    }
};

struct ProgressRecord {
    std::shared_ptr<acm::ScriptedLog> log;
    std::vector<std::pair<int, int>> calls;  // percent, conversions made before the call
    int cancelAt = 0;                        // 1: the first call cancels
};
ProgressRecord* gProgress = nullptr;

extern "C" int32_t RecordProgress(int32_t pass, int32_t percent, uint32_t user) {
    EXPECT_EQ(user, 77u);
    EXPECT_EQ(pass, 1);
    gProgress->calls.emplace_back(percent, static_cast<int>(gProgress->log->calls.size()));
    return static_cast<int>(gProgress->calls.size()) == gProgress->cancelAt ? 1 : 0;
}

TEST_F(ConvertTest, ProgressComesBeforeEachBlockByInputBytes) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 4, 10);
    ProgressRecord progress{sc4Log_, {}, 0};
    gProgress = &progress;
    ASSERT_EQ(wave.Convert(RecordProgress, 1, 77), 1);
    EXPECT_EQ(progress.calls,
              (std::vector<std::pair<int, int>>{{25, 0}, {50, 1}, {75, 2}, {100, 3}}));
    EXPECT_EQ(Sizes(wave), (std::vector<int32_t>{1160, 1160, 1160, 1160}));
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(1, 8000, 16));
    EXPECT_EQ(wave.GetSampleCount(), 4 * 580);
    EXPECT_EQ(sc4Log_->streamsAlive, 0);
    // Output block j repeats the first byte of source block j.
    EXPECT_EQ(wave.m_blocks.GetAt(1).m_pData[0], 16);
}

TEST_F(ConvertTest, CancelOnTheFirstCallLeavesTheWaveAsItWas) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 4, 10);
    const auto format = wave.m_pFormat;
    ProgressRecord progress{sc4Log_, {}, 1};
    gProgress = &progress;
    EXPECT_EQ(wave.Convert(RecordProgress, 1, 77), 0);
    EXPECT_TRUE(sc4Log_->calls.empty());
    EXPECT_EQ(Sizes(wave), (std::vector<int32_t>{300, 300, 300, 300}));
    EXPECT_EQ(wave.m_pFormat, format);
    EXPECT_EQ(sc4Log_->streamsAlive, 0);
}

TEST_F(ConvertTest, DestinationSizeFollowsTheFirstBlock) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 1, 546);  // 31668 samples
    ASSERT_EQ(wave.Convert(nullptr, 1, 0), 1);
    ASSERT_EQ(sc4Log_->calls.size(), 1u);
    EXPECT_EQ(sc4Log_->calls[0].destinationSize, 95004u);  // 31668 x 16000 / 8000 x 3 / 2
    EXPECT_EQ(sc4Log_->calls[0].flags, 0u);
}

// A stored sample count this large overflowed 32-bit products into a short buffer and wrong
// output counts.
TEST_F(ConvertTest, LargeSampleCountsScaleWithoutOverflow) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 0, 0);
    wave.m_blocks.AddTail(MakeBlock(300, 1000000));
    ASSERT_EQ(wave.Convert(nullptr, 1, 0), 1);
    ASSERT_EQ(sc4Log_->calls.size(), 1u);
    EXPECT_EQ(sc4Log_->calls[0].destinationSize, 3000000u);  // 1000000 x 16000 / 8000 x 3 / 2
    EXPECT_EQ(wave.m_blocks.GetHead().m_nSamples, 1000000);
}

TEST_F(ConvertTest, DestinationBeyondABlocksReachFailsThePass) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 0, 0);
    wave.m_blocks.AddTail(MakeBlock(300, INT32_MAX));
    EXPECT_EQ(wave.Convert(nullptr, 1, 0), 0);
    EXPECT_TRUE(sc4Log_->calls.empty());
    EXPECT_EQ(wave.m_blocks.GetHead().m_nBytes, 300);
}

TEST_F(ConvertTest, PartlyTakenBlockIsCarriedInFrontOfTheNext) {
    auto script = Sc4Script();
    script.takeLimit = 250;  // 8 of 10 blocks per call
    Register(script, sc4Log_);
    CWave wave(0);
    FillSc4(wave, 3, 10);
    ASSERT_EQ(wave.Convert(nullptr, 1, 0), 1);
    ASSERT_EQ(sc4Log_->calls.size(), 3u);
    EXPECT_EQ(sc4Log_->calls[0].sourceSize, 300u);
    EXPECT_EQ(sc4Log_->calls[0].sourceUsed, 240u);
    EXPECT_EQ(sc4Log_->calls[1].sourceSize, 360u);  // 60 carried + 300
    EXPECT_EQ(sc4Log_->calls[2].sourceSize, 420u);
    // The carried bytes came first: byte 240 of portion 0 starts the second output.
    EXPECT_EQ(wave.m_blocks.GetAt(1).m_pData[0], 240);
    // Samples scale the input block's count, not the produced bytes.
    EXPECT_EQ(wave.m_blocks.GetAt(0).m_nSamples, 580);
    EXPECT_EQ(wave.m_blocks.GetAt(0).m_nBytes, 8 * 116);
}

// From the second block on the carried bytes and the block add up to the same size, so the
// buffer serves again and the leftover must move from its end to its front.
TEST_F(ConvertTest, LeftoverMovesToTheFrontWhenTheSourceSizeRepeats) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 0, 0);
    wave.m_blocks.AddTail(MakeBlock(70, 116));       // 2 codec blocks and 10 bytes over
    wave.m_blocks.AddTail(MakeBlock(60, 116, 100));  // 10 carried + 60: 2 blocks, 10 over
    wave.m_blocks.AddTail(MakeBlock(60, 116, 200));
    ASSERT_EQ(wave.Convert(nullptr, 1, 0), 1);
    ASSERT_EQ(sc4Log_->calls.size(), 3u);
    for (const auto& call : sc4Log_->calls) {
        EXPECT_EQ(call.sourceSize, 70u);
        EXPECT_EQ(call.sourceUsed, 60u);
    }
    // Each output block repeats the first byte of its 30-byte source block.
    std::string output;
    for (const auto& b : wave.m_blocks)
        output.append(reinterpret_cast<const char*>(b->m_pData.get()), b->m_nBytes);
    std::string expected;
    for (const uint8_t first : {0, 30, 60, 120, 150, 220}) {
        expected.append(116, static_cast<char>(first));
    }
    EXPECT_EQ(output, expected);
}

TEST_F(ConvertTest, FinalLeftoverIsDropped) {
    Register(TrueSpeechScript(), tsLog_);
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    wave.m_wFormatTag = WAVE_FORMAT_TRUESPEECH;
    wave.m_blocks.AddTail(MakeBlock(1000, 500));  // two frames of 480, 40 over
    ASSERT_EQ(wave.Convert(nullptr, 0, 0), 1);
    EXPECT_EQ(Sizes(wave), std::vector<int32_t>{64});
    EXPECT_EQ(tsLog_->calls.size(), 1u);
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), TrueSpeechFormat());
}

TEST_F(ConvertTest, BlockThatGivesNothingAddsNoBlock) {
    Register(TrueSpeechScript(), tsLog_);
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    wave.m_wFormatTag = WAVE_FORMAT_TRUESPEECH;
    wave.m_blocks.AddTail(MakeBlock(4000, 2000));
    wave.m_blocks.AddTail(MakeBlock(100, 50));   // below one frame: carried
    wave.m_blocks.AddTail(MakeBlock(900, 450));  // with the carried 160 + 100: two frames
    ASSERT_EQ(wave.Convert(nullptr, 0, 0), 1);
    EXPECT_EQ(Sizes(wave), (std::vector<int32_t>{8 * 32, 64}));
    EXPECT_EQ(tsLog_->calls[1].sourceSize, 260u);
    EXPECT_EQ(tsLog_->calls[2].sourceSize, 1160u);
}

TEST_F(ConvertTest, WaveWithoutBlocksSucceedsWithoutCallingAnything) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    FillSc4(wave, 0, 0);
    ProgressRecord progress{sc4Log_, {}, 0};
    gProgress = &progress;
    EXPECT_EQ(wave.Convert(RecordProgress, 1, 77), 1);
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), Sc4Format(1));
}

struct FailCase {
    const char* name;
    int failCall;
    int takeNothingFrom;
    bool failOpen;
    bool noDriver;
    uint32_t sourceRate;
    friend void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }
};

class FailedPass : public ConvertTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(FailedPass, GivesZeroAndKeepsTheWave) {
    const FailCase& c = GetParam();
    auto script = Sc4Script();
    script.failCall = c.failCall;
    script.takeNothingFrom = c.takeNothingFrom;
    script.failOpen = c.failOpen;
    if (!c.noDriver)
        Register(script, sc4Log_);
    CWave wave(0);
    FillSc4(wave, 30, 546);
    if (c.sourceRate != 8000)
        SetFormat(wave, Sc4Format(1, c.sourceRate));
    const auto format = wave.m_pFormat;
    EXPECT_EQ(wave.Convert(nullptr, 1, 0), 0);
    EXPECT_EQ(wave.m_blocks.GetCount(), 30u);
    EXPECT_EQ(wave.m_blocks.GetHead().m_nBytes, 546 * 30);
    EXPECT_EQ(wave.m_pFormat, format);
    EXPECT_EQ(sc4Log_->streamsAlive, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedPass,
    ::testing::Values(FailCase{"CodecFailsOnBlockThree", 3, 0, false, false, 8000},
                      FailCase{"StreamDoesNotOpen", 0, 0, true, false, 8000},
                      FailCase{"NoDriverForTheTag", 0, 0, false, true, 8000},
                      FailCase{"CodecKeepsTakingNothing", 0, 2, false, false, 8000},
                      FailCase{"ZeroSamplesPerSecond", 0, 0, false, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConvertTest, PcmDriverResamplesThroughTheManager) {
    CWave wave(0);  // the PCM driver alone: its first PCM format is 8000 mono 16-bit
    SetFormat(wave, WaveFormat::Pcm(2, 16000, 16));
    wave.m_wFormatTag = WAVE_FORMAT_PCM;
    wave.m_blocks.AddTail(MakeBlock(16000, 8000));
    wave.m_blocks.AddTail(MakeBlock(4002, 2001));  // ends inside a frame pair
    ASSERT_EQ(wave.Convert(nullptr, 1, 0), 1);
    // The filter reads 72 frames either side: the last 36 output frames of the first block
    // wait for the second, and those of the second for a block that never comes.
    EXPECT_EQ(Sizes(wave), (std::vector<int32_t>{2 * 1964, 2 * 500}));
    EXPECT_EQ(wave.GetSampleCount(), 4000 + 1000);
    EXPECT_EQ(WaveFormat::FromRecord(wave.FormatRecord()), WaveFormat::Pcm(1, 8000, 16));
}

}  // namespace
}  // namespace kivo::converter

namespace kivo::converter {
namespace {

using namespace testing_support;

bool gCancelRequested = false;

extern "C" int32_t ReturnCancelFlag(int32_t, int32_t, uint32_t) {
    return gCancelRequested ? 1 : 0;
}

class DispatchTest : public ConverterTest {};

TEST_F(DispatchTest, AtMostTenWaitingMessagesRunPerCall) {
    int handled = 0;
    CallbackWindow window([&](UINT, WPARAM, LPARAM) -> LRESULT { return ++handled; });
    for (int i = 0; i < 15; ++i)
        PostMessageA(window.handle(), WM_USER, 0, 0);
    DispatchPendingMessages();
    EXPECT_EQ(handled, 10);
    DispatchPendingMessages();
    EXPECT_EQ(handled, 15);
}

TEST_F(DispatchTest, CancelFromAWindowStopsThePassAtTheNextBlock) {
    Register(Sc4Script(), sc4Log_);
    CWave wave(0);
    SetFormat(wave, Sc4Format(1));
    wave.m_wFormatTag = WAVE_FORMAT_SC4;
    for (int i = 0; i < 3; ++i)
        wave.m_blocks.AddTail(MakeBlock(300, 580));
    gCancelRequested = false;
    CallbackWindow cancelButton([](UINT, WPARAM, LPARAM) -> LRESULT {
        gCancelRequested = true;
        return 0;
    });
    PostMessageA(cancelButton.handle(), WM_USER, 0, 0);
    EXPECT_EQ(wave.Convert(ReturnCancelFlag, 1, 0), 0);
    EXPECT_EQ(sc4Log_->calls.size(), 1u);  // the message ran after the first block
    EXPECT_EQ(wave.m_blocks.GetCount(), 3u);
    EXPECT_EQ(wave.m_blocks.GetHead().m_nBytes, 300);
}

}  // namespace
}  // namespace kivo::converter
