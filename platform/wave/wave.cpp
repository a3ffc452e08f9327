#include "platform/wave/wave.h"
#include "platform/wave/device_control.h"
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>

namespace {

struct Device {
    bool input = false;
    HWND window = nullptr;
    std::deque<WAVEHDR*> queue;
};

// Both kinds of device live in one table; the handle's type says which kind it must be.
std::map<const void*, std::unique_ptr<Device>>& Devices() {
    static std::map<const void*, std::unique_ptr<Device>> devices;
    return devices;
}

Device* Find(const void* handle, bool input) {
    auto it = Devices().find(handle);
    if (it == Devices().end() || it->second->input != input)
        return nullptr;
    return it->second.get();
}

// The device is registered only when the caller can be given its handle: a handle it never
// receives could never be closed.
template <typename Handle>
MMRESULT Open(Handle* device, const WAVEFORMATEX* format, uintptr_t callback, uint32_t flags,
              bool input) {
    if (device == nullptr || format == nullptr)
        return MMSYSERR_INVALPARAM;
    *device = nullptr;
    if (flags != CALLBACK_WINDOW)
        return MMSYSERR_INVALFLAG;
    auto opened = std::make_unique<Device>();
    opened->input = input;
    opened->window = reinterpret_cast<HWND>(callback);
    Device* key = opened.get();
    Devices().emplace(key, std::move(opened));
    *device = reinterpret_cast<Handle>(key);
    return MMSYSERR_NOERROR;
}

MMRESULT Prepare(Device* device, WAVEHDR* header, UINT size) {
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != kWaveHeaderSize || header->lpData == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(Device* device, WAVEHDR* header, UINT size) {
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != kWaveHeaderSize)
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags & WHDR_INQUEUE) != 0)
        return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Queue(Device* device, WAVEHDR* header, UINT size) {
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size != kWaveHeaderSize)
        return MMSYSERR_INVALPARAM;
    if ((header->dwFlags & WHDR_PREPARED) == 0)
        return WAVERR_UNPREPARED;
    if ((header->dwFlags & WHDR_INQUEUE) != 0)
        return WAVERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    if (device->input)
        header->dwBytesRecorded = 0;
    device->queue.push_back(header);
    return MMSYSERR_NOERROR;
}

void HandBack(const void* handle, Device* device) {
    WAVEHDR* header = device->queue.front();
    device->queue.pop_front();
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    PostMessageA(device->window, device->input ? MM_WIM_DATA : MM_WOM_DONE,
                 reinterpret_cast<WPARAM>(handle), reinterpret_cast<LPARAM>(header));
}

MMRESULT Reset(const void* handle, bool input) {
    Device* device = Find(handle, input);
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    while (!device->queue.empty())
        HandBack(handle, device);
    return MMSYSERR_NOERROR;
}

MMRESULT Close(const void* handle, bool input) {
    Device* device = Find(handle, input);
    if (device == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (!device->queue.empty())
        return WAVERR_STILLPLAYING;
    Devices().erase(handle);
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT waveInOpen(HWAVEIN* device, UINT, const WAVEFORMATEX* format, uintptr_t callback,
                    uintptr_t, uint32_t flags) {
    return Open(device, format, callback, flags, true);
}

MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, UINT size) {
    return Prepare(Find(device, true), header, size);
}

MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT size) {
    return Unprepare(Find(device, true), header, size);
}

MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT size) {
    return Queue(Find(device, true), header, size);
}

MMRESULT waveInReset(HWAVEIN device) {
    return Reset(device, true);
}

MMRESULT waveInClose(HWAVEIN device) {
    return Close(device, true);
}

MMRESULT waveOutOpen(HWAVEOUT* device, UINT, const WAVEFORMATEX* format, uintptr_t callback,
                     uintptr_t, uint32_t flags) {
    return Open(device, format, callback, flags, false);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return Prepare(Find(device, false), header, size);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return Unprepare(Find(device, false), header, size);
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return Queue(Find(device, false), header, size);
}

MMRESULT waveOutReset(HWAVEOUT device) {
    return Reset(device, false);
}

MMRESULT waveOutClose(HWAVEOUT device) {
    return Close(device, false);
}

bool DeliverRecordedBytes(HWAVEIN handle, std::span<const uint8_t> bytes) {
    Device* device = Find(handle, true);
    if (device == nullptr || device->queue.empty())
        return false;
    WAVEHDR* header = device->queue.front();
    const size_t n = std::min<size_t>(bytes.size(), header->dwBufferLength);
    if (n > 0)
        std::memcpy(header->lpData, bytes.data(), n);
    header->dwBytesRecorded = static_cast<uint32_t>(n);
    HandBack(handle, device);
    return true;
}

bool FinishPlayingBuffer(HWAVEOUT handle) {
    Device* device = Find(handle, false);
    if (device == nullptr || device->queue.empty())
        return false;
    HandBack(handle, device);
    return true;
}

int QueuedBuffers(HWAVEIN handle) {
    Device* device = Find(handle, true);
    return device == nullptr ? 0 : static_cast<int>(device->queue.size());
}

int QueuedBuffers(HWAVEOUT handle) {
    Device* device = Find(handle, false);
    return device == nullptr ? 0 : static_cast<int>(device->queue.size());
}

int OpenWaveDevices() {
    return static_cast<int>(Devices().size());
}
