#pragma once

#include "platform/wave/wave.h"
#include "platform/win/window.h"

#include <map>
#include <memory>

namespace kivo::converter {

class CWave;
class CWaveBlock;

// A device buffer: its header and, for recording, the data area it fills.
struct WaveBuffer {
    WAVEHDR header{};
    std::unique_ptr<uint8_t[]> data;
};

// The window a notification object creates for its device's messages; it forwards them.
template <typename Owner>
class NotifyWindow : public Window {
public:
    explicit NotifyWindow(Owner& owner) : owner_(owner) {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return owner_.HandleMessage(message, wParam, lParam);
    }

private:
    Owner& owner_;
};

// Receives the wave-in device's returned buffers and turns them into blocks of the wave.
class CWaveInWnd {
public:
    CWaveInWnd() = default;
    CWaveInWnd(const CWaveInWnd&) = delete;
    CWaveInWnd& operator=(const CWaveInWnd&) = delete;

    // The window the device reports to; made on first use.
    HWND Create();
    HWND window() const { return window_ ? window_->handle() : nullptr; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // A fresh buffer of m_nBufferBytes for `wave`, prepared and added to the device.
    void QueueBuffer(CWave* wave);
    void OnData(CWave* wave, WAVEHDR* header);
    // Stops the open device: queued buffers come back, none is queued again.
    void Reset();

    HWAVEIN m_hWaveIn = nullptr;
    uint32_t m_nBufferBytes = 4096;
    uint8_t m_bClosing = 0;
    uint32_t m_nQueued = 0;

private:
    void Close();

    std::unique_ptr<NotifyWindow<CWaveInWnd>> window_;
    std::map<const WAVEHDR*, std::unique_ptr<WaveBuffer>> buffers_;
};

// Receives the wave-out device's played buffers.
class CWaveOutWnd {
public:
    CWaveOutWnd() = default;
    CWaveOutWnd(const CWaveOutWnd&) = delete;
    CWaveOutWnd& operator=(const CWaveOutWnd&) = delete;

    HWND Create();
    HWND window() const { return window_ ? window_->handle() : nullptr; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Hands one block of `wave` to the device; the block keeps its bytes.
    void QueueBlock(CWave* wave, const CWaveBlock& block);
    void OnDone(CWave* wave, WAVEHDR* header);
    void Reset();

    HWAVEOUT m_hWaveOut = nullptr;
    uint32_t m_nQueued = 0;

private:
    std::unique_ptr<NotifyWindow<CWaveOutWnd>> window_;
    std::map<const WAVEHDR*, std::unique_ptr<WaveBuffer>> buffers_;
};

}  // namespace kivo::converter
