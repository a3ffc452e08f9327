#pragma once

// The far side of the devices: what a sound back end (or a test) does to them.

#include "platform/wave/wave.h"

#include <span>

// Fills the oldest queued recording buffer with `bytes` (cut to its length), marks it done
// and posts MM_WIM_DATA. False when no buffer is queued.
KIVO_WAVE_API bool DeliverRecordedBytes(HWAVEIN device, std::span<const uint8_t> bytes);

// Marks the oldest queued playback buffer played and posts MM_WOM_DONE. False when none.
KIVO_WAVE_API bool FinishPlayingBuffer(HWAVEOUT device);

// Buffers queued at the device.
KIVO_WAVE_API int QueuedBuffers(HWAVEIN device);
KIVO_WAVE_API int QueuedBuffers(HWAVEOUT device);

// Devices open now, so that a test can see that a close happened.
KIVO_WAVE_API int OpenWaveDevices();
