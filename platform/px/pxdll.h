#pragma once

// pxdll: the parallel-port player driver. "LPT1" names the player chosen by KIVO_PLAYER:
// unset or "sim" (a simulated player in the process, state in $XDG_DATA_HOME/kivo/player/),
// "sim:DIR" (state in DIR), "mem" (state in memory only), "unix:PATH" (kivo-player on a Unix
// socket), "none" (no player). "mem" gives each driver library a player of its own; the
// others are one player for every driver and process that names them. The embedded players
// run at the real link's speed, "mem" unthrottled; waits go through the platform clock.

#include "platform/px/test_hooks.h"
#include "platform/px/types.h"

#include <stdint.h>

#define PXDLL_API extern "C" __attribute__((visibility("default")))

// Claims the port for this process; 0 = claimed. A second claim by this process is accepted;
// a port held by another process fails with kPxErrorPortBusy.
PXDLL_API int16_t PX_AcquirePort(int16_t port);
// 0 = released.
PXDLL_API int16_t PX_ReleasePort(int16_t port);
// Opens the channel on the claimed port; kPxInvalidHandle on failure (an unclaimed port or an
// open channel: kPxErrorPortBusy; no player: kPxErrorNoPlayer). Each open starts a new
// exchange with the player; closing abandons a command left half done.
PXDLL_API PxHandle PX_CreateFile(const char* name, uint32_t access, uint32_t share, void* security,
                                 uint32_t creation, uint32_t flags, void* templateFile);
// As PX_CreateFile, in ECP-emulation mode.
PXDLL_API PxHandle PX_CreateFileEx(const char* name, uint32_t access, uint32_t share,
                                   void* security, uint32_t creation, uint32_t flags,
                                   void* templateFile);
// Bounds the following reads and writes, in milliseconds; nonzero.
PXDLL_API int32_t PX_SetTimeOut(uint32_t ms);
// Nonzero = success; `done` gets the bytes moved. A read that the player's answer does not
// fill fails with kPxErrorTimeout after waiting the timeout; a read the player cuts short
// succeeds with fewer bytes. A lost connection fails with kPxErrorConnectionLost.
PXDLL_API int32_t PX_WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                               void* overlapped);
PXDLL_API int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                              void* overlapped);
// Nonzero = success.
PXDLL_API int32_t PX_CloseHandle(PxHandle handle);
PXDLL_API uint32_t PX_GetLastError(void);
