#include "converter/codec_lookup.h"

#include "converter/acm_handles.h"
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kivo::converter {

namespace {

struct FormatSearch {
    uint16_t tag;
    HACMDRIVERID found = nullptr;
};

BOOL MatchFormat(HACMDRIVERID id, ACMFORMATDETAILSA* details, uintptr_t instance, uint32_t) {
    auto* search = reinterpret_cast<FormatSearch*>(instance);
    if (details->pwfx->wFormatTag != search->tag)
        return TRUE;
    search->found = id;
    return FALSE;
}

// A zeroed buffer for the driver's largest format, its tag and extra size filled in.
std::vector<uint8_t> FormatBuffer(HACMDRIVER driver, uint16_t tag) {
    uint32_t size = 0;
    if (acmMetrics(driver, ACM_METRIC_MAX_SIZE_FORMAT, &size) != MMSYSERR_NOERROR)
        size = 0;
    size = std::max<uint32_t>(size, kWaveFormatSize);
    std::vector<uint8_t> buffer(size);
    WAVEFORMATEX header{};
    header.wFormatTag = tag;
    header.cbSize = static_cast<uint16_t>(size - kWaveFormatSize);
    std::memcpy(buffer.data(), &header, kWaveFormatSize);
    return buffer;
}

// Offers every format of the open driver into `buffer`; true when the enumeration ran.
bool Enumerate(HACMDRIVER driver, std::vector<uint8_t>& buffer, FormatSearch& search) {
    ACMFORMATDETAILSA details{};
    details.cbStruct = kAcmFormatDetailsSize;
    details.dwFormatTag = search.tag;
    details.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
    details.cbwfx = static_cast<uint32_t>(buffer.size());
    return acmFormatEnumA(driver, &details, MatchFormat, reinterpret_cast<uintptr_t>(&search), 0) ==
           MMSYSERR_NOERROR;
}

struct DriverSearch {
    uint16_t tag;
    HACMDRIVERID found = nullptr;
};

BOOL SearchDriver(HACMDRIVERID id, uintptr_t instance, uint32_t) {
    auto* search = reinterpret_cast<DriverSearch*>(instance);
    AcmDriverHandle driver;
    if (driver.Open(id) != MMSYSERR_NOERROR)
        return FALSE;
    std::vector<uint8_t> buffer = FormatBuffer(driver.get(), search->tag);
    FormatSearch formats{search->tag};
    const bool enumerated = Enumerate(driver.get(), buffer, formats);
    search->found = formats.found;
    return search->found == nullptr && enumerated;
}

}  // namespace

std::optional<HACMDRIVERID> FindDriverForTag(uint16_t tag) {
    DriverSearch search{tag};
    if (acmDriverEnum(SearchDriver, reinterpret_cast<uintptr_t>(&search), 0) != MMSYSERR_NOERROR ||
        search.found == nullptr) {
        return std::nullopt;
    }
    return search.found;
}

std::optional<WaveFormat> FirstFormatOfTag(HACMDRIVERID id, uint16_t tag) {
    AcmDriverHandle driver;
    if (driver.Open(id) != MMSYSERR_NOERROR)
        return std::nullopt;
    std::vector<uint8_t> buffer = FormatBuffer(driver.get(), tag);
    FormatSearch search{tag};
    if (!Enumerate(driver.get(), buffer, search) || search.found == nullptr)
        return std::nullopt;
    return WaveFormat::FromRecord(reinterpret_cast<const WAVEFORMATEX*>(buffer.data()));
}

void DispatchPendingMessages() {
    PumpMessages(10);
}

}  // namespace kivo::converter
