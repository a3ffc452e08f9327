#pragma once

// pxdll: the parallel-port player driver: the channel calls, the port claim and the ECP open.

#include "drivers/channel_calls.h"

#include <stdint.h>

// Claims the port for this process; 0 = claimed. A second claim by this process is accepted;
// a port held by another process fails with kPxErrorPortBusy.
PX_API int16_t PX_AcquirePort(int16_t port);
// 0 = released.
PX_API int16_t PX_ReleasePort(int16_t port);
// As PX_CreateFile, in ECP-emulation mode.
PX_API PxHandle PX_CreateFileEx(const char* name, uint32_t access, uint32_t share, void* security,
                                uint32_t creation, uint32_t flags, void* templateFile);
// As PX_WriteFile.
PX_API int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                           void* overlapped);
