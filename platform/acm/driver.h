#pragma once

// The codec-driver interface of the compression manager.
//
// A codec driver is a C++ object registered with the manager. The manager turns the calls of
// its callers (acm.h) into calls of these virtual functions:
//
//   acmDriverEnum        one step per registered driver, in registration order; the support
//                        flags come from FormatTags()
//   acmMetrics           ACM_METRIC_MAX_SIZE_FORMAT is the largest record in Formats()
//   acmFormatEnumA       one step per entry of Formats(), in that order; the manager copies the
//                        record into the caller's buffer and fills the details record
//   acmStreamOpen        OpenStream(source, destination, flags)
//   acmStreamConvert     AcmStream::Convert on the prepared header's buffers
//   acmStreamClose       destroys the AcmStream
//
// A driver keeps no per-caller state outside its streams: several handles on one driver and
// several streams may be open at once. Every call runs on the caller's thread; drivers need
// no locks. No exception may leave a driver: report failures with an MMRESULT.

#include "platform/acm/api.h"
#include "platform/acm/format.h"
#include "platform/acm/result.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Flags of acmStreamConvert, handed to AcmStream::Convert unchanged.
inline constexpr uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x4;  // take whole source blocks only
inline constexpr uint32_t ACM_STREAMCONVERTF_START = 0x10;      // first buffer: reset state
inline constexpr uint32_t ACM_STREAMCONVERTF_END = 0x20;        // last buffer: flush the tail

// Flags of acmStreamOpen, handed to AcmDriver::OpenStream unchanged.
inline constexpr uint32_t ACM_STREAMOPENF_QUERY = 0x1;  // only ask whether it is possible
inline constexpr uint32_t ACM_STREAMOPENF_ASYNC = 0x2;
inline constexpr uint32_t ACM_STREAMOPENF_NONREALTIME = 0x4;

// Support flags reported by acmDriverEnum and acmFormatEnumA.
inline constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_CODEC = 0x1;      // between format tags
inline constexpr uint32_t ACMDRIVERDETAILS_SUPPORTF_CONVERTER = 0x2;  // within one tag

// One format a driver lists, with the text acmFormatEnumA reports for it (at most 127 bytes
// are kept).
struct AcmFormatEntry {
    WaveFormat format;
    std::string description;
};

// What one conversion call took and gave.
struct AcmConvertResult {
    uint32_t sourceUsed = 0;       // bytes taken from the front of the source, <= its size
    uint32_t destinationUsed = 0;  // bytes written to the front of the destination, <= its size
};

// One open conversion between two formats, with whatever state the codec carries between
// buffers.
class AcmStream {
public:
    virtual ~AcmStream() = default;

    // Converts as much of `source` as fits into `destination`.
    //
    // Without ACM_STREAMCONVERTF_BLOCKALIGN the stream may take fewer bytes than it is given:
    // a source tail shorter than one source block, or what no longer fits in the destination,
    // stays untaken and is reported through sourceUsed; the caller hands it in again in front
    // of its next buffer. With BLOCKALIGN only whole source blocks are taken. With END the
    // stream may also flush what it still holds. Taking nothing is not an error.
    //
    // MMSYSERR_NOERROR on success; any other value fails the call, and `result` is then
    // ignored.
    virtual MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                             uint32_t flags, AcmConvertResult& result) = 0;
};

class AcmDriver {
public:
    virtual ~AcmDriver() = default;

    // A short name for diagnostics, such as "PCM".
    virtual std::string Name() const = 0;

    // The format tags this driver codes. A driver that lists a tag other than PCM counts as a
    // codec, one with PCM alone as a converter.
    virtual std::vector<uint16_t> FormatTags() const = 0;

    // Every format the driver lists, in the order acmFormatEnumA offers them; asked again on
    // every enumeration and metric, so it should be cheap and always give the same list. A caller
    // looking for "the first PCM format" or "the first format of tag T" of this driver takes the
    // earliest match here, so the order is part of the driver's contract.
    virtual std::vector<AcmFormatEntry> Formats() const = 0;

    // Opens a stream from `source` to `destination` (each a copy of the caller's record, 18 +
    // cbSize bytes; they need not be formats the driver lists).
    // Returns MMSYSERR_NOERROR and sets `stream`, or ACMERR_NOTPOSSIBLE when the driver cannot
    // convert between the two (or another error). With ACM_STREAMOPENF_QUERY the answer is all
    // that counts: a stream that is set is discarded.
    virtual MMRESULT OpenStream(const WaveFormat& source, const WaveFormat& destination,
                                uint32_t flags, std::unique_ptr<AcmStream>& stream) = 0;
};

struct HACMOBJ__ {};
struct HACMDRIVERID__ : HACMOBJ__ {};
using HACMOBJ = HACMOBJ__*;
using HACMDRIVERID = HACMDRIVERID__*;

enum class AcmPlacement { Last, First };

// Registers a driver for the rest of the process (or until removed): Last behind the drivers
// already known, First in front of them, as tests do with scripted drivers. Returns the
// identifier acmDriverEnum reports for it.
KIVO_ACM_API HACMDRIVERID RegisterAcmDriver(std::unique_ptr<AcmDriver> driver,
                                            AcmPlacement placement = AcmPlacement::Last);

// Takes one driver out of the enumeration; handles and streams already open on it keep
// working until closed. False for an unknown identifier.
KIVO_ACM_API bool UnregisterAcmDriver(HACMDRIVERID id);

// Removes every driver, the default ones too.
KIVO_ACM_API void ClearAcmDrivers();

// Back to the drivers registered at load (see default_drivers.cpp).
KIVO_ACM_API void ResetAcmDrivers();
