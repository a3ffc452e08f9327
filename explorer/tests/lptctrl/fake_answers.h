#pragma once

#include <cstdint>

// What the fake link libraries answer: every export its own value, different in the two
// libraries, and wide enough that a narrowed result or a call to the wrong function shows.
struct FakeAnswers {
    int16_t checkStatus;
    int16_t memoryInfo;
    int64_t internalTotal;
    int64_t internalFree;
    int64_t externalTotal;
    int64_t externalFree;
    int16_t getFileList;
    const char* version;
    int16_t deleteInternal;
    int16_t deleteExternal;
    int16_t copyToInternal;
    int16_t copyToExternal;
    int16_t copyFromInternal;
    int16_t copyFromExternal;
    int16_t formatInternal;
    int16_t formatExternal;
    int16_t smcFormat;
    int16_t setConfig;
    int16_t phoneBookIndex;
    int16_t cancelTransfer;
    int16_t setWindowHandle;
    int32_t waveConvert;
    int16_t cancelWaveConvert;
    int16_t ecpEmulation;
    int16_t gbCode;
    int16_t big5Code;
};

inline constexpr FakeAnswers kParlinkAnswers{
    .checkStatus = -1001,
    .memoryInfo = -1002,
    .internalTotal = 0x1'0000'0003,
    .internalFree = 0x1'0000'0004,
    .externalTotal = 0x1'0000'0005,
    .externalFree = -0x1'0000'0006,
    .getFileList = -1007,
    .version = "01.30 par",
    .deleteInternal = -1009,
    .deleteExternal = -1109,
    .copyToInternal = -1010,
    .copyToExternal = -1011,
    .copyFromInternal = -1012,
    .copyFromExternal = -1112,
    .formatInternal = -1013,
    .formatExternal = -1014,
    .smcFormat = -1015,
    .setConfig = -1016,
    .phoneBookIndex = 1017,
    .cancelTransfer = -1018,
    .setWindowHandle = -1019,
    .waveConvert = -70020,
    .cancelWaveConvert = -1021,
    .ecpEmulation = -1022,
    .gbCode = -1023,
    .big5Code = -1024,
};

inline constexpr FakeAnswers kBuslinkAnswers{
    .checkStatus = 2001,
    .memoryInfo = 2002,
    .internalTotal = 0x2'0000'0003,
    .internalFree = 0x2'0000'0004,
    .externalTotal = 0x2'0000'0005,
    .externalFree = -0x2'0000'0006,
    .getFileList = 2007,
    .version = "02.00 bus",
    .deleteInternal = 2009,
    .deleteExternal = 2109,
    .copyToInternal = 2010,
    .copyToExternal = 2011,
    .copyFromInternal = 2012,
    .copyFromExternal = 2112,
    .formatInternal = 2013,
    .formatExternal = 2014,
    .smcFormat = 2015,
    .setConfig = 2016,
    .phoneBookIndex = -2017,
    .cancelTransfer = 2018,
    .setWindowHandle = 2019,
    .waveConvert = 80020,
    // buslink has no voice-conversion cancel, no ECP emulation and no code-page commands.
    .cancelWaveConvert = 0,
    .ecpEmulation = 0,
    .gbCode = 0,
    .big5Code = 0,
};
