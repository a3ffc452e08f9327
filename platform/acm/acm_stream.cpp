#include "platform/acm/acm.h"
#include "platform/acm/driver_list.h"

namespace {

constexpr uint32_t kOpenFlags =
    ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_ASYNC | ACM_STREAMOPENF_NONREALTIME;
constexpr uint32_t kConvertFlags =
    ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END;

}  // namespace

MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, const void* filter, uintptr_t callback,
                       uintptr_t, uint32_t flags) {
    const bool query = (flags & ACM_STREAMOPENF_QUERY) != 0;
    if (stream != nullptr)
        *stream = nullptr;
    if ((stream == nullptr && !query) || source == nullptr || destination == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if ((flags & ~kOpenFlags) != 0)
        return MMSYSERR_INVALFLAG;
    // Streams convert on the caller's thread only: no filters, no completion callbacks.
    if (filter != nullptr || callback != 0 || (flags & ACM_STREAMOPENF_ASYNC) != 0) {
        return MMSYSERR_NOTSUPPORTED;
    }
    kivo::acm::DriverList& list = kivo::acm::DriverList::Instance();
    kivo::acm::OpenDriver* open = list.FindDriver(driver);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;

    std::unique_ptr<AcmStream> codec;
    const MMRESULT result = open->driver->OpenStream(
        WaveFormat::FromRecord(source), WaveFormat::FromRecord(destination), flags, codec);
    if (result != MMSYSERR_NOERROR || query)
        return result;
    if (!codec)
        return ACMERR_NOTPOSSIBLE;
    *stream = list.AddStream(open, std::move(codec));
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM stream, uint32_t flags) {
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::DriverList& list = kivo::acm::DriverList::Instance();
    kivo::acm::OpenStream* open = list.FindStream(stream);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;
    list.CloseStream(open);
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
    if (header == nullptr || header->cbStruct != kAcmStreamHeaderSize || header->pbSrc == nullptr ||
        header->pbDst == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::OpenStream* open = kivo::acm::DriverList::Instance().FindStream(stream);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;
    open->prepared[header] = {header->pbSrc, header->cbSrcLength, header->pbDst,
                              header->cbDstLength};
    header->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
    if (header == nullptr || header->cbStruct != kAcmStreamHeaderSize)
        return MMSYSERR_INVALPARAM;
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::OpenStream* open = kivo::acm::DriverList::Instance().FindStream(stream);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;
    auto it = open->prepared.find(header);
    if (it == open->prepared.end() || (header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0) {
        return ACMERR_UNPREPARED;
    }
    const kivo::acm::PreparedBuffers& buffers = it->second;
    if (header->pbSrc != buffers.source || header->cbSrcLength != buffers.sourceLength ||
        header->pbDst != buffers.destination || header->cbDstLength != buffers.destinationLength) {
        return MMSYSERR_INVALPARAM;
    }
    open->prepared.erase(it);
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags) {
    if (header == nullptr || header->cbStruct != kAcmStreamHeaderSize)
        return MMSYSERR_INVALPARAM;
    if ((flags & ~kConvertFlags) != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::OpenStream* open = kivo::acm::DriverList::Instance().FindStream(stream);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;
    auto it = open->prepared.find(header);
    if (it == open->prepared.end() || (header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0) {
        return ACMERR_UNPREPARED;
    }
    const kivo::acm::PreparedBuffers& buffers = it->second;
    if (header->pbSrc != buffers.source || header->cbSrcLength > buffers.sourceLength ||
        header->pbDst != buffers.destination || header->cbDstLength > buffers.destinationLength) {
        return MMSYSERR_INVALPARAM;
    }
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    header->cbSrcLengthUsed = 0;
    header->cbDstLengthUsed = 0;
    AcmConvertResult used;
    const MMRESULT result =
        open->stream->Convert(std::span<const uint8_t>(header->pbSrc, header->cbSrcLength),
                              std::span<uint8_t>(header->pbDst, header->cbDstLength), flags, used);
    if (result != MMSYSERR_NOERROR)
        return result;
    // A driver that claims more than it was given would send the caller past its buffers.
    if (used.sourceUsed > header->cbSrcLength || used.destinationUsed > header->cbDstLength) {
        return MMSYSERR_ERROR;
    }
    header->cbSrcLengthUsed = used.sourceUsed;
    header->cbDstLengthUsed = used.destinationUsed;
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}
