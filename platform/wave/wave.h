#pragma once

// Wave-in and wave-out devices. There is no sound hardware behind them: a device is a queue
// of buffers that the layer hands back one by one, with its buffer-done message posted to the
// window given at open (see device_control.h).

#include "platform/acm/format.h"
#include "platform/acm/result.h"
#include "platform/wave/api.h"
#include "platform/win/types.h"

#include <cstdint>

struct HWAVEIN__;
struct HWAVEOUT__;
using HWAVEIN = HWAVEIN__*;
using HWAVEOUT = HWAVEOUT__*;

inline constexpr UINT MM_WOM_DONE = 0x3BD;
inline constexpr UINT MM_WIM_DATA = 0x3C0;

// Open flag: buffer-done messages go to the window whose handle is the callback value.
inline constexpr uint32_t CALLBACK_WINDOW = 0x00010000;

inline constexpr uint32_t WHDR_DONE = 0x1;
inline constexpr uint32_t WHDR_PREPARED = 0x2;
inline constexpr uint32_t WHDR_INQUEUE = 0x10;

// The size argument callers give with each header.
inline constexpr UINT kWaveHeaderSize = 32;

struct WAVEHDR {
    char* lpData;
    uint32_t dwBufferLength;
    uint32_t dwBytesRecorded;
    uintptr_t dwUser;
    uint32_t dwFlags;
    uint32_t dwLoops;
    WAVEHDR* lpNext;
    uintptr_t reserved;
};

// Only CALLBACK_WINDOW is supported; the window receives MM_WIM_DATA / MM_WOM_DONE with
// wParam the device and lParam the header.
KIVO_WAVE_API MMRESULT waveInOpen(HWAVEIN* device, UINT id, const WAVEFORMATEX* format,
                                  uintptr_t callback, uintptr_t instance, uint32_t flags);
KIVO_WAVE_API MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* header, UINT size);
KIVO_WAVE_API MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT size);
KIVO_WAVE_API MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT size);
// Hands every queued buffer back, as recorded so far.
KIVO_WAVE_API MMRESULT waveInReset(HWAVEIN device);
// WAVERR_STILLPLAYING while buffers are queued.
KIVO_WAVE_API MMRESULT waveInClose(HWAVEIN device);

KIVO_WAVE_API MMRESULT waveOutOpen(HWAVEOUT* device, UINT id, const WAVEFORMATEX* format,
                                   uintptr_t callback, uintptr_t instance, uint32_t flags);
KIVO_WAVE_API MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
KIVO_WAVE_API MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
KIVO_WAVE_API MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
// Hands every queued buffer back unplayed.
KIVO_WAVE_API MMRESULT waveOutReset(HWAVEOUT device);
KIVO_WAVE_API MMRESULT waveOutClose(HWAVEOUT device);
