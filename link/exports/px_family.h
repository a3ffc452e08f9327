#pragma once

// The PX_ family of the link libraries, declared once. Each entry is
// X(result, name, parameters, arguments); the declarations, the export lists, the explorer's
// bound tables and forwarders and the test stand-ins all follow from these lists. The
// groups say who exports a function and how the explorer reaches it.

#include "platform/win/types.h"

#include <stdint.h>

// Both libraries; the explorer calls the one its port setting names.
#define KIVO_PX_BY_PORT(X)                                                       \
    X(int16_t, PX_MemoryInfo, (), ())                                            \
    X(int64_t, PX_InternalTotalMemory, (), ())                                   \
    X(int64_t, PX_InternalFreeMemory, (), ())                                    \
    X(int64_t, PX_ExternalTotalMemory, (), ())                                   \
    X(int64_t, PX_ExternalFreeMemory, (), ())                                    \
    X(int16_t, PX_GetFileList, (HWND listView), (listView))                      \
    X(const char*, PX_GetPlayerVersion, (), ())                                  \
    X(int16_t, PX_DeleteFromInternalMemory, (int32_t fileIndex), (fileIndex))    \
    X(int16_t, PX_DeleteFromExternalMemory, (int32_t fileIndex), (fileIndex))    \
    X(int16_t, PX_CopyToInternalMemory, (const char* path), (path))              \
    X(int16_t, PX_CopyToExternalMemory, (const char* path), (path))              \
    X(int16_t, PX_CopyFromInternalMemory, (int32_t fileIndex, const char* path), \
      (fileIndex, path))                                                         \
    X(int16_t, PX_FormatInternalMemory, (const char* deviceTag), (deviceTag))    \
    X(int16_t, PX_FormatExternalMemory, (), ())                                  \
    X(int16_t, PX_CardInserted, (), ())                                          \
    X(int16_t, PX_SetConfig, (const uint8_t* playOrderTable), (playOrderTable))  \
    X(int16_t, PX_PhoneBookIndex, (), ())                                        \
    X(int16_t, PX_CancelTransfer, (), ())

// Both libraries; under USB the explorer gives its window to both.
#define KIVO_PX_WINDOW(X) X(int16_t, PX_SetWindowHandle, (HWND window), (window))

// Both libraries; the explorer converts through parlink whatever the port.
#define KIVO_PX_CONVERT(X) \
    X(int32_t, PX_WaveConvert, (const char* source, const char* destination), (source, destination))

// Both libraries; the explorer does not call them.
#define KIVO_PX_UNSELECTED(X)                                                    \
    X(int16_t, PX_CheckStatus, (), ())                                           \
    X(int16_t, PX_CopyFromExternalMemory, (int32_t fileIndex, const char* path), \
      (fileIndex, path))                                                         \
    X(int16_t, PX_SMCFormat, (), ())

// parlink alone: the conversion cancel, ECP emulation and the code-page commands.
#define KIVO_PX_PARLINK_ONLY(X)                     \
    X(int16_t, PX_CancelWaveConvert, (), ())        \
    X(int16_t, PX_ECPEmulation, (int16_t on), (on)) \
    X(int16_t, PX_GB_Code, (), ())                  \
    X(int16_t, PX_BIG5_Code, (), ())

// What both libraries export.
#define KIVO_PX_SHARED(X) \
    KIVO_PX_BY_PORT(X) KIVO_PX_WINDOW(X) KIVO_PX_CONVERT(X) KIVO_PX_UNSELECTED(X)
