#include "converter/wave_windows.h"

#include "converter/wave.h"
#include "converter/wave_sink.h"

namespace kivo::converter {

namespace {

CWave* WaveOf(LPARAM lParam) {
    auto* header = reinterpret_cast<WAVEHDR*>(lParam);
    return header == nullptr ? nullptr : reinterpret_cast<CWave*>(header->dwUser);
}

// Samples in recorded bytes; a format under 8 bits per sample counts none.
int32_t RecordedSamples(const CWave& wave, uint32_t bytes) {
    const uint32_t bytesPerSample = wave.FormatHeader().wBitsPerSample / 8u;
    return bytesPerSample == 0 ? 0 : static_cast<int32_t>(bytes / bytesPerSample);
}

}  // namespace

HWND CWaveInWnd::Create() {
    if (!window_)
        window_ = std::make_unique<NotifyWindow<CWaveInWnd>>(*this);
    return window_->handle();
}

LRESULT CWaveInWnd::HandleMessage(UINT message, WPARAM, LPARAM lParam) {
    CWave* wave = WaveOf(lParam);
    if (message == MM_WIM_DATA && wave != nullptr && wave->m_pRecorder != nullptr) {
        wave->m_pRecorder->OnData(wave, reinterpret_cast<WAVEHDR*>(lParam));
    }
    return 0;
}

void CWaveInWnd::QueueBuffer(CWave* wave) {
    auto buffer = std::make_unique<WaveBuffer>();
    buffer->data = std::make_unique<uint8_t[]>(m_nBufferBytes);
    buffer->header.lpData = reinterpret_cast<char*>(buffer->data.get());
    buffer->header.dwBufferLength = m_nBufferBytes;
    buffer->header.dwUser = reinterpret_cast<uintptr_t>(wave);
    WAVEHDR* header = &buffer->header;
    buffers_.emplace(header, std::move(buffer));
    waveInPrepareHeader(m_hWaveIn, header, kWaveHeaderSize);
    waveInAddBuffer(m_hWaveIn, header, kWaveHeaderSize);
    ++m_nQueued;
}

void CWaveInWnd::OnData(CWave* wave, WAVEHDR* header) {
    if (m_bClosing == 0)
        QueueBuffer(wave);
    waveInUnprepareHeader(m_hWaveIn, header, kWaveHeaderSize);
    --m_nQueued;
    auto it = buffers_.find(header);
    if (it != buffers_.end()) {
        std::unique_ptr<WaveBuffer> buffer = std::move(it->second);
        buffers_.erase(it);
        const uint32_t recorded = buffer->header.dwBytesRecorded;
        if (recorded > 0) {
            auto block = std::make_unique<CWaveBlock>(std::move(buffer->data),
                                                      static_cast<int32_t>(recorded),
                                                      RecordedSamples(*wave, recorded));
            CWaveBlock* added = block.get();
            wave->m_blocks.AddTail(std::move(block));
            if (wave->m_pSink != nullptr)
                wave->m_pSink->OnBlockAdded(wave, added);
        }
    }
    if (m_nQueued == 0) {
        Close();
        if (wave->m_pSink != nullptr)
            wave->m_pSink->OnRecordDone();
    }
}

void CWaveInWnd::Reset() {
    if (m_hWaveIn == nullptr)
        return;
    waveInReset(m_hWaveIn);
    m_bClosing = 1;
}

void CWaveInWnd::Close() {
    if (m_hWaveIn != nullptr) {
        waveInReset(m_hWaveIn);
        m_bClosing = 1;
        waveInClose(m_hWaveIn);
        m_hWaveIn = nullptr;
    }
    window_.reset();
}

HWND CWaveOutWnd::Create() {
    if (!window_)
        window_ = std::make_unique<NotifyWindow<CWaveOutWnd>>(*this);
    return window_->handle();
}

LRESULT CWaveOutWnd::HandleMessage(UINT message, WPARAM, LPARAM lParam) {
    CWave* wave = WaveOf(lParam);
    if (message == MM_WOM_DONE && wave != nullptr && wave->m_pPlayer != nullptr) {
        wave->m_pPlayer->OnDone(wave, reinterpret_cast<WAVEHDR*>(lParam));
    }
    return 0;
}

void CWaveOutWnd::QueueBlock(CWave* wave, const CWaveBlock& block) {
    if (block.m_nBytes <= 0)
        return;
    auto buffer = std::make_unique<WaveBuffer>();
    buffer->header.lpData = reinterpret_cast<char*>(block.m_pData.get());
    buffer->header.dwBufferLength = static_cast<uint32_t>(block.m_nBytes);
    buffer->header.dwUser = reinterpret_cast<uintptr_t>(wave);
    WAVEHDR* header = &buffer->header;
    buffers_.emplace(header, std::move(buffer));
    waveOutPrepareHeader(m_hWaveOut, header, kWaveHeaderSize);
    waveOutWrite(m_hWaveOut, header, kWaveHeaderSize);
    ++m_nQueued;
    ++wave->m_nPending;
}

void CWaveOutWnd::OnDone(CWave* wave, WAVEHDR* header) {
    waveOutUnprepareHeader(m_hWaveOut, header, kWaveHeaderSize);
    buffers_.erase(header);
    if (--m_nQueued == 0) {
        if (m_hWaveOut != nullptr) {
            waveOutReset(m_hWaveOut);
            waveOutClose(m_hWaveOut);
            m_hWaveOut = nullptr;
        }
        window_.reset();
    }
    wave->OnPlayBufferDone();
}

void CWaveOutWnd::Reset() {
    if (m_hWaveOut != nullptr)
        waveOutReset(m_hWaveOut);
}

}  // namespace kivo::converter
