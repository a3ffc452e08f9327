#include "platform/acm/acm.h"
#include "platform/acm/driver_list.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t SupportOf(const AcmDriver& driver) {
    auto tags = driver.FormatTags();
    bool codec =
        std::any_of(tags.begin(), tags.end(), [](uint16_t tag) { return tag != WAVE_FORMAT_PCM; });
    return codec ? ACMDRIVERDETAILS_SUPPORTF_CODEC : ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
}

}  // namespace

MMRESULT acmDriverEnum(ACMDRIVERENUMCB callback, uintptr_t instance, uint32_t flags) {
    if (callback == nullptr)
        return MMSYSERR_INVALPARAM;
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    // A step may register or remove drivers; it sees the list as it was when the walk began.
    for (kivo::acm::DriverId* id : kivo::acm::DriverList::Instance().Snapshot()) {
        if (!callback(id, instance, SupportOf(*id->driver)))
            break;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverOpen(HACMDRIVER* driver, HACMDRIVERID id, uint32_t flags) {
    if (driver == nullptr)
        return MMSYSERR_INVALPARAM;
    *driver = nullptr;
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::DriverList& list = kivo::acm::DriverList::Instance();
    kivo::acm::DriverId* known = list.FindId(id);
    if (known == nullptr)
        return MMSYSERR_INVALHANDLE;
    *driver = list.Open(known);
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER driver, uint32_t flags) {
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::DriverList& list = kivo::acm::DriverList::Instance();
    kivo::acm::OpenDriver* open = list.FindDriver(driver);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (open->streams > 0)
        return ACMERR_BUSY;
    list.Close(open);
    return MMSYSERR_NOERROR;
}

MMRESULT acmMetrics(HACMOBJ object, UINT metric, void* value) {
    if (value == nullptr)
        return MMSYSERR_INVALPARAM;
    auto driver = kivo::acm::DriverList::Instance().DriverOf(object);
    if (!driver)
        return MMSYSERR_INVALHANDLE;
    if (metric != ACM_METRIC_MAX_SIZE_FORMAT)
        return MMSYSERR_NOTSUPPORTED;
    size_t largest = kWaveFormatSize;
    for (const auto& entry : driver->Formats())
        largest = std::max(largest, entry.format.size());
    const auto size = static_cast<uint32_t>(largest);
    std::memcpy(value, &size, sizeof size);
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatEnumA(HACMDRIVER driver, ACMFORMATDETAILSA* details, ACMFORMATENUMCBA callback,
                        uintptr_t instance, uint32_t flags) {
    if (details == nullptr || callback == nullptr)
        return MMSYSERR_INVALPARAM;
    if (details->cbStruct != kAcmFormatDetailsSize || details->pwfx == nullptr ||
        details->cbwfx < kWaveFormatSize) {
        return MMSYSERR_INVALPARAM;
    }
    if (flags != 0)
        return MMSYSERR_INVALFLAG;
    kivo::acm::OpenDriver* open = kivo::acm::DriverList::Instance().FindDriver(driver);
    if (open == nullptr)
        return MMSYSERR_INVALHANDLE;
    const uint32_t support = SupportOf(*open->driver);
    const auto formats = open->driver->Formats();
    for (size_t i = 0; i < formats.size(); ++i) {
        const WaveFormat& format = formats[i].format;
        if (format.size() > details->cbwfx)
            return MMSYSERR_INVALPARAM;
        std::memcpy(details->pwfx, format.bytes().data(), format.size());
        details->dwFormatIndex = static_cast<uint32_t>(i);
        details->dwFormatTag = format.tag();
        details->fdwSupport = support;
        const std::string& text = formats[i].description;
        const size_t length = std::min(text.size(), sizeof details->szFormat - 1);
        std::memcpy(details->szFormat, text.data(), length);
        details->szFormat[length] = '\0';
        if (!callback(open->id, details, instance, support))
            break;
    }
    return MMSYSERR_NOERROR;
}
