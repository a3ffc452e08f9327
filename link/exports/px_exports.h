#pragma once

// The PX_ family that both link libraries export by name, and what parlink adds.

#include "converter/progress.h"
#include "platform/win/types.h"

#include <stdint.h>

#define PX_EXPORT extern "C" __attribute__((visibility("default")))

PX_EXPORT int16_t PX_CheckStatus();
PX_EXPORT int16_t PX_MemoryInfo();
PX_EXPORT int64_t PX_InternalTotalMemory();
PX_EXPORT int64_t PX_InternalFreeMemory();
PX_EXPORT int64_t PX_ExternalTotalMemory();
PX_EXPORT int64_t PX_ExternalFreeMemory();
PX_EXPORT const char* PX_GetPlayerVersion();
PX_EXPORT int16_t PX_GetFileList(HWND listView);
PX_EXPORT int16_t PX_CopyToInternalMemory(const char* path);
PX_EXPORT int16_t PX_CopyToExternalMemory(const char* path);
// A file index names a file across both memories: each pair is one function.
PX_EXPORT int16_t PX_CopyFromInternalMemory(int32_t fileIndex, const char* path);
PX_EXPORT int16_t PX_CopyFromExternalMemory(int32_t fileIndex, const char* path);
PX_EXPORT int16_t PX_DeleteFromInternalMemory(int32_t fileIndex);
PX_EXPORT int16_t PX_DeleteFromExternalMemory(int32_t fileIndex);
PX_EXPORT int16_t PX_FormatInternalMemory(const char* deviceTag);
PX_EXPORT int16_t PX_FormatExternalMemory();
PX_EXPORT int16_t PX_SMCFormat();
PX_EXPORT int16_t PX_SetConfig(const uint8_t* playOrderTable);
PX_EXPORT int16_t PX_PhoneBookIndex();
PX_EXPORT int16_t PX_SetWindowHandle(HWND window);
PX_EXPORT int16_t PX_CancelTransfer();
PX_EXPORT int32_t PX_WaveConvert(const char* source, const char* destination);

// parlink only.
PX_EXPORT int16_t PX_CancelWaveConvert();
PX_EXPORT int16_t PX_ECPEmulation(int16_t on);
PX_EXPORT int16_t PX_GB_Code();
PX_EXPORT int16_t PX_BIG5_Code();

// The voice converter's entry point.
PX_EXPORT int32_t PELK_sonoform(const char* source, const char* destination,
                                ConvertProgressCallback callback, uint32_t user);
