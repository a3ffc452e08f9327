#include "converter/wave_sink.h"
#include "converter/wave_windows.h"
#include "platform/wave/device_control.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace kivo::converter {
namespace {

using namespace testing_support;

struct RecordingSink : IWaveSink {
    std::vector<std::string> events;
    void OnBlockAdded(CWave*, CWaveBlock* block) override {
        events.push_back("block " + std::to_string(block->m_nBytes) + "/" +
                         std::to_string(block->m_nSamples));
    }
    void OnPlayDone(CWave*) override { events.push_back("played"); }
    void OnRecordDone() override { events.push_back("recorded"); }
};

class WindowsTest : public ConverterTest {
protected:
    RecordingSink sink_;
};

TEST_F(WindowsTest, RecorderTurnsReturnedBuffersIntoBlocksUntilClosed) {
    for (uint16_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        sink_.events.clear();
        CWave wave(0);
        SetFormat(wave, WaveFormat::Pcm(1, 8000, bits));
        CWaveInWnd recorder;
        recorder.m_nBufferBytes = 64;
        wave.m_pRecorder = &recorder;
        wave.m_pSink = &sink_;
        HWND window = recorder.Create();
        ASSERT_EQ(waveInOpen(&recorder.m_hWaveIn, 0, wave.FormatRecord(),
                             reinterpret_cast<uintptr_t>(window), 0, CALLBACK_WINDOW),
                  MMSYSERR_NOERROR);
        HWAVEIN device = recorder.m_hWaveIn;
        recorder.QueueBuffer(&wave);
        recorder.QueueBuffer(&wave);

        ASSERT_TRUE(DeliverRecordedBytes(device, std::vector<uint8_t>(40, 1)));
        PumpAllMessages();  // one block, one fresh buffer queued in its place
        EXPECT_EQ(QueuedBuffers(device), 2);
        ASSERT_TRUE(DeliverRecordedBytes(device, {}));
        PumpAllMessages();  // nothing recorded: no block
        ASSERT_EQ(wave.m_blocks.GetCount(), 1u);
        EXPECT_EQ(wave.m_blocks.GetHead().m_nSamples, bits == 8 ? 40 : 20);

        wave.Stop();  // the rest come back and none is queued again
        EXPECT_EQ(recorder.m_bClosing, 1);
        PumpAllMessages();
        EXPECT_EQ(recorder.m_nQueued, 0u);
        EXPECT_EQ(recorder.m_hWaveIn, nullptr);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(OpenWaveDevices(), 0);
        const std::string first = bits == 8 ? "block 40/40" : "block 40/20";
        EXPECT_EQ(sink_.events, (std::vector<std::string>{first, "recorded"}));
    }
}

TEST_F(WindowsTest, PlayerClosesAfterTheLastBufferAndTellsTheListener) {
    CWave wave(0);
    SetFormat(wave, WaveFormat::Pcm(1, 8000, 16));
    wave.m_blocks.AddTail(MakeBlock(100, 50));
    wave.m_blocks.AddTail(MakeBlock(60, 30));
    CWaveOutWnd player;
    wave.m_pPlayer = &player;
    wave.m_pSink = &sink_;
    HWND window = player.Create();
    ASSERT_EQ(waveOutOpen(&player.m_hWaveOut, 0, wave.FormatRecord(),
                          reinterpret_cast<uintptr_t>(window), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    HWAVEOUT device = player.m_hWaveOut;
    for (const auto& block : wave.m_blocks)
        player.QueueBlock(&wave, *block);
    EXPECT_EQ(wave.m_nPending, 2);

    ASSERT_TRUE(FinishPlayingBuffer(device));
    PumpAllMessages();
    EXPECT_TRUE(sink_.events.empty());
    EXPECT_TRUE(IsWindow(window));
    ASSERT_TRUE(FinishPlayingBuffer(device));
    PumpAllMessages();
    EXPECT_EQ(sink_.events, std::vector<std::string>{"played"});
    EXPECT_EQ(wave.m_nPending, 0);
    EXPECT_EQ(player.m_hWaveOut, nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(wave.m_blocks.GetCount(), 2u);  // the blocks keep their bytes
}

TEST_F(WindowsTest, DestroyingAWaveWithPendingPlaybackResetsTheDevices) {
    CWaveOutWnd player;
    HWND window = player.Create();
    ASSERT_EQ(waveOutOpen(&player.m_hWaveOut, 0, WaveFormat::Pcm(1, 8000, 16).record(),
                          reinterpret_cast<uintptr_t>(window), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    HWAVEOUT device = player.m_hWaveOut;
    auto block = MakeBlock(10, 5);
    {
        CWave wave(0);
        wave.m_pPlayer = &player;
        player.QueueBlock(&wave, *block);
        EXPECT_EQ(QueuedBuffers(device), 1);
    }
    EXPECT_EQ(QueuedBuffers(device), 0);  // handed back by the reset
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace kivo::converter

namespace kivo::converter {
namespace {

struct DoneCounter : IWaveSink {
    int played = 0;
    void OnBlockAdded(CWave*, CWaveBlock*) override {}
    void OnPlayDone(CWave*) override { ++played; }
    void OnRecordDone() override {}
};

TEST(SelfDeletingWave, LastPlayedBufferReleasesIt) {
    DoneCounter sink;
    CWave* wave = CWave::CreateSelfDeleting();
    wave->m_blocks.AddTail(testing_support::MakeBlock(16, 8));
    wave->m_pSink = &sink;
    wave->m_nRefs = 1;
    wave->m_nPending = 2;
    wave->OnPlayBufferDone();
    EXPECT_EQ(sink.played, 0);
    wave->OnPlayBufferDone();  // the listener hears of it, then the wave is gone
    EXPECT_EQ(sink.played, 1);
}

TEST(SelfDeletingWave, OwnedWaveOutlivesItsReferences) {
    CWave wave(0);
    wave.m_nRefs = 1;
    EXPECT_EQ(wave.ReleaseRef(), 0);
    EXPECT_EQ(wave.m_nRefs, 0);
}

}  // namespace
}  // namespace kivo::converter
