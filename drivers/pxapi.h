#pragma once

// PXAPI: the USB player driver: the channel calls, the flagged read and the short read. The
// USB player answers the status check 200 ms late (control line "status-delay").

#include "drivers/channel_calls.h"

#include <stdint.h>

// As PX_WriteFile; `more` is 1 when more bytes of the same transfer follow this read; a read
// with it set must be a whole multiple of 64 bytes.
PX_API int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                           void* overlapped, uint32_t more);
// A short read of `count` bytes without continuation flag; nonzero = success.
PX_API int32_t PX_ReadDataBytes(PxHandle handle, uint32_t count, void* buffer);
