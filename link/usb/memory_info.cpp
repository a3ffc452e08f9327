#include "link/usb/memory_info.h"

#include "link/common/command_session.h"
#include "link/common/memory_figure.h"

namespace kivo::link::usb {

LinkStatus ReadMemoryInfo(UsbLink& usb) {
    CommandSession session(usb.link, kMemoryInfoCommand);
    if (session.status() != kOk)
        return session.status();
    LinkState& s = usb.state;
    for (int64_t* figure : {&s.InternalTotalBytes, &s.InternalFreeBytes, &s.ExternalTotalBytes,
                            &s.ExternalFreeBytes}) {
        uint8_t count[2] = {};
        usb.channel.ReadDataBytes(count, sizeof count);
        *figure = MemoryFigureBytes(count);
    }
    return kOk;
}

}  // namespace kivo::link::usb
