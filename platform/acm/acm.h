#pragma once

// The audio compression manager: codec drivers, their formats and conversion streams.

#include "platform/acm/api.h"
#include "platform/acm/driver.h"
#include "platform/acm/format.h"
#include "platform/acm/result.h"
#include "platform/win/types.h"

#include <cstdint>

struct HACMDRIVER__ : HACMOBJ__ {};
struct HACMSTREAM__ : HACMOBJ__ {};
using HACMDRIVER = HACMDRIVER__*;
using HACMSTREAM = HACMSTREAM__*;

inline constexpr UINT ACM_METRIC_MAX_SIZE_FORMAT = 50;

// The size field callers put in the records below; the manager refuses other values.
inline constexpr uint32_t kAcmFormatDetailsSize = 152;
inline constexpr uint32_t kAcmStreamHeaderSize = 84;

struct ACMFORMATDETAILSA {
    uint32_t cbStruct;
    uint32_t dwFormatIndex;
    uint32_t dwFormatTag;
    uint32_t fdwSupport;
    WAVEFORMATEX* pwfx;  // caller's buffer of cbwfx bytes, written with each offered format
    uint32_t cbwfx;
    char szFormat[128];
};

// Stream header status flags.
inline constexpr uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
inline constexpr uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

struct ACMSTREAMHEADER {
    uint32_t cbStruct;
    uint32_t fdwStatus;
    uintptr_t dwUser;
    uint8_t* pbSrc;
    uint32_t cbSrcLength;
    uint32_t cbSrcLengthUsed;
    uintptr_t dwSrcUser;
    uint8_t* pbDst;
    uint32_t cbDstLength;
    uint32_t cbDstLengthUsed;
    uintptr_t dwDstUser;
    uint32_t dwReservedDriver[10];
};

// A step returns TRUE to go on, FALSE to stop the enumeration.
using ACMDRIVERENUMCB = BOOL (*)(HACMDRIVERID id, uintptr_t instance, uint32_t support);
using ACMFORMATENUMCBA = BOOL (*)(HACMDRIVERID id, ACMFORMATDETAILSA* details, uintptr_t instance,
                                  uint32_t support);

// Enumerates the registered drivers in registration order (flags 0).
KIVO_ACM_API MMRESULT acmDriverEnum(ACMDRIVERENUMCB callback, uintptr_t instance, uint32_t flags);
KIVO_ACM_API MMRESULT acmDriverOpen(HACMDRIVER* driver, HACMDRIVERID id, uint32_t flags);
// ACMERR_BUSY while streams of the handle are open.
KIVO_ACM_API MMRESULT acmDriverClose(HACMDRIVER driver, uint32_t flags);

// On a driver or its identifier: ACM_METRIC_MAX_SIZE_FORMAT writes a uint32_t.
KIVO_ACM_API MMRESULT acmMetrics(HACMOBJ object, UINT metric, void* value);

// Offers every format of the driver (flags 0), writing each into details->pwfx first; a
// format larger than details->cbwfx fails the enumeration.
KIVO_ACM_API MMRESULT acmFormatEnumA(HACMDRIVER driver, ACMFORMATDETAILSA* details,
                                     ACMFORMATENUMCBA callback, uintptr_t instance, uint32_t flags);

// No filter and no callback are supported; the driver handle is required.
KIVO_ACM_API MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver,
                                    const WAVEFORMATEX* source, const WAVEFORMATEX* destination,
                                    const void* filter, uintptr_t callback, uintptr_t instance,
                                    uint32_t flags);
KIVO_ACM_API MMRESULT acmStreamClose(HACMSTREAM stream, uint32_t flags);

// A header is prepared for its source and destination buffers; converting may use shorter
// lengths than prepared, never longer ones, and unpreparing wants the buffers it was
// prepared with.
KIVO_ACM_API MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header,
                                             uint32_t flags);
KIVO_ACM_API MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header,
                                               uint32_t flags);
// Sets cbSrcLengthUsed and cbDstLengthUsed, and the DONE flag.
KIVO_ACM_API MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
