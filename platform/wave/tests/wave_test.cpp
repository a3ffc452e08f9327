#include "platform/wave/wave.h"
#include "platform/wave/device_control.h"
#include "platform/win/window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Message {
    UINT message;
    WAVEHDR* header;
};

class WaveDeviceTest : public ::testing::Test {
protected:
    std::vector<Message> seen_;
    CallbackWindow window_{[this](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        seen_.push_back({message, reinterpret_cast<WAVEHDR*>(lParam)});
        return 0;
    }};
    WaveFormat format_ = WaveFormat::Pcm(1, 8000, 16);
    std::vector<char> data_ = std::vector<char>(8);
};

TEST_F(WaveDeviceTest, RecordingBuffersComeBackFilledThroughTheWindow) {
    HWAVEIN device = nullptr;
    ASSERT_EQ(waveInOpen(&device, 0, format_.record(),
                         reinterpret_cast<uintptr_t>(window_.handle()), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    WAVEHDR header{};
    header.lpData = data_.data();
    header.dwBufferLength = 8;
    EXPECT_EQ(waveInAddBuffer(device, &header, kWaveHeaderSize), WAVERR_UNPREPARED);
    ASSERT_EQ(waveInPrepareHeader(device, &header, kWaveHeaderSize), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(device, &header, kWaveHeaderSize), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(device, &header, kWaveHeaderSize), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInClose(device), WAVERR_STILLPLAYING);

    const std::vector<uint8_t> bytes(20, 0x5A);
    ASSERT_TRUE(DeliverRecordedBytes(device, bytes));
    EXPECT_TRUE(seen_.empty());  // posted, not sent
    PumpAllMessages();
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].message, MM_WIM_DATA);
    EXPECT_EQ(seen_[0].header, &header);
    EXPECT_EQ(header.dwBytesRecorded, 8u);
    EXPECT_EQ(header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_FALSE(DeliverRecordedBytes(device, bytes));
    EXPECT_EQ(waveInUnprepareHeader(device, &header, kWaveHeaderSize), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInReset(device), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveDeviceTest, ResetHandsBackEveryQueuedPlaybackBuffer) {
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, format_.record(),
                          reinterpret_cast<uintptr_t>(window_.handle()), 0, CALLBACK_WINDOW),
              MMSYSERR_NOERROR);
    WAVEHDR headers[2] = {};
    for (WAVEHDR& h : headers) {
        h.lpData = data_.data();
        h.dwBufferLength = 8;
        ASSERT_EQ(waveOutPrepareHeader(device, &h, kWaveHeaderSize), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, &h, kWaveHeaderSize), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(QueuedBuffers(device), 2);
    EXPECT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(QueuedBuffers(device), 0);
    PumpAllMessages();
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[0].message, MM_WOM_DONE);
    EXPECT_EQ(seen_[1].header, &headers[1]);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(WaveDeviceTest, HandlesOfTheOtherKindAreRefused) {
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, format_.record(), 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(reinterpret_cast<HWAVEIN>(device)), MMSYSERR_INVALHANDLE);
    HWAVEOUT other = nullptr;
    EXPECT_EQ(waveOutOpen(&other, 0, format_.record(), 0, 0, 0), MMSYSERR_INVALFLAG);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(OpenWaveDevices(), 0);
}

// An open that cannot hand its handle back must leave no device behind that nobody can close.
TEST_F(WaveDeviceTest, OpenWithoutAPlaceForTheHandleOpensNothing) {
    EXPECT_EQ(waveInOpen(nullptr, 0, format_.record(), 0, 0, CALLBACK_WINDOW), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(nullptr, 0, format_.record(), 0, 0, CALLBACK_WINDOW),
              MMSYSERR_INVALPARAM);
    EXPECT_EQ(OpenWaveDevices(), 0);
}

}  // namespace
