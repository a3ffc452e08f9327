#include "link/exports/status_check.h"

#include "link/common/system_files.h"
#include "platform/win/clock.h"

namespace kivo::link {

LinkStatus CheckStatusWithRetries(Link& link, std::span<const uint32_t> waitsMs) {
    LinkStatus status = CheckDeviceStatus(link);
    for (auto wait = waitsMs.begin(); status != kOk && wait != waitsMs.end(); ++wait) {
        Sleep(*wait);
        status = CheckDeviceStatus(link);
    }
    if (status == kOk)
        return kOk;
    LinkState& state = link.state;
    state.InternalTotalBytes = 0;
    state.InternalFreeBytes = 0;
    state.ExternalTotalBytes = 0;
    state.ExternalFreeBytes = 0;
    state.PlayerVersionText = {' '};
    return status;
}

}  // namespace kivo::link
