#pragma once

#include "link/exports/px_family.h"

#include <cstdint>

// What the fake link libraries answer: every export its own value, different in the two
// libraries, and wide enough that a narrowed result or a call to the wrong function shows.
struct FakeAnswers {
#define FAKE_ANSWER(result, name, parameters, arguments) result name;
    KIVO_PX_SHARED(FAKE_ANSWER)
    KIVO_PX_PARLINK_ONLY(FAKE_ANSWER)
#undef FAKE_ANSWER
};

inline constexpr FakeAnswers kParlinkAnswers{
    .PX_MemoryInfo = -1002,
    .PX_InternalTotalMemory = 0x1'0000'0003,
    .PX_InternalFreeMemory = 0x1'0000'0004,
    .PX_ExternalTotalMemory = 0x1'0000'0005,
    .PX_ExternalFreeMemory = -0x1'0000'0006,
    .PX_GetFileList = -1007,
    .PX_GetPlayerVersion = "01.30 par",
    .PX_DeleteFromInternalMemory = -1009,
    .PX_DeleteFromExternalMemory = -1109,
    .PX_CopyToInternalMemory = -1010,
    .PX_CopyToExternalMemory = -1011,
    .PX_CopyFromInternalMemory = -1012,
    .PX_FormatInternalMemory = -1013,
    .PX_FormatExternalMemory = -1014,
    .PX_CardInserted = -1025,
    .PX_SetConfig = -1016,
    .PX_PhoneBookIndex = 1017,
    .PX_CancelTransfer = -1018,
    .PX_SetWindowHandle = -1019,
    .PX_WaveConvert = -70020,
    .PX_CheckStatus = -1001,
    .PX_CopyFromExternalMemory = -1112,
    .PX_SMCFormat = -1015,
    .PX_CancelWaveConvert = -1021,
    .PX_ECPEmulation = -1022,
    .PX_GB_Code = -1023,
    .PX_BIG5_Code = -1024,
};

inline constexpr FakeAnswers kBuslinkAnswers{
    .PX_MemoryInfo = 2002,
    .PX_InternalTotalMemory = 0x2'0000'0003,
    .PX_InternalFreeMemory = 0x2'0000'0004,
    .PX_ExternalTotalMemory = 0x2'0000'0005,
    .PX_ExternalFreeMemory = -0x2'0000'0006,
    .PX_GetFileList = 2007,
    .PX_GetPlayerVersion = "02.00 bus",
    .PX_DeleteFromInternalMemory = 2009,
    .PX_DeleteFromExternalMemory = 2109,
    .PX_CopyToInternalMemory = 2010,
    .PX_CopyToExternalMemory = 2011,
    .PX_CopyFromInternalMemory = 2012,
    .PX_FormatInternalMemory = 2013,
    .PX_FormatExternalMemory = 2014,
    .PX_CardInserted = 2025,
    .PX_SetConfig = 2016,
    .PX_PhoneBookIndex = -2017,
    .PX_CancelTransfer = 2018,
    .PX_SetWindowHandle = 2019,
    .PX_WaveConvert = 80020,
    .PX_CheckStatus = 2001,
    .PX_CopyFromExternalMemory = 2112,
    .PX_SMCFormat = 2015,
    // buslink has no voice-conversion cancel, no ECP emulation and no code-page commands.
    .PX_CancelWaveConvert = 0,
    .PX_ECPEmulation = 0,
    .PX_GB_Code = 0,
    .PX_BIG5_Code = 0,
};
