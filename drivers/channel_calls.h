#pragma once

// The channel calls both player drivers have alike. "LPT1" names the player chosen by
// KIVO_PLAYER: unset or "sim" (a simulated player in the process, state in
// $XDG_DATA_HOME/kivo/player/), "sim:DIR" (state in DIR), "mem" (state in memory only),
// "unix:PATH" (kivo-player on a Unix socket), "none" (no player). "mem" gives each driver
// library a player of its own; the others are one player for every driver and process that
// names them. The embedded players run at the real link's speed, "mem" unthrottled; waits go
// through the platform clock.

#include "drivers/test_hooks.h"
#include "drivers/types.h"

#include <stdint.h>

#define PX_API extern "C" __attribute__((visibility("default")))

// Opens the channel; kPxInvalidHandle on failure (held by another handle or process, or, on
// the parallel port, not claimed first: kPxErrorPortBusy; no player: kPxErrorNoPlayer). Each
// open starts a new exchange with the player; closing abandons a command left half done.
PX_API PxHandle PX_CreateFile(const char* name, uint32_t access, uint32_t share, void* security,
                              uint32_t creation, uint32_t flags, void* templateFile);
// Bounds the following reads and writes, in milliseconds; nonzero.
PX_API int32_t PX_SetTimeOut(uint32_t ms);
// Nonzero = success; `done` gets the bytes moved. A read that the player's answer does not
// fill fails with kPxErrorTimeout after waiting the timeout; a read the player cuts short
// succeeds with fewer bytes. A lost connection fails with kPxErrorConnectionLost.
PX_API int32_t PX_WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                            void* overlapped);
// Nonzero = success.
PX_API int32_t PX_CloseHandle(PxHandle handle);
PX_API uint32_t PX_GetLastError(void);
