#pragma once

#include "link/common/link.h"
#include "link/usb/pxapi_channel.h"

namespace kivo::link::usb {

// The USB player needs no lead wait before the version, but takes 20 s to initialise a
// memory, 10.4 s to delete a file, a breath after each upload block, and answers the status
// check later than the command's timeout allows.
inline constexpr LinkDialect kUsbDialect{0, 20000, 10400, 10, 1000};

// buslink's state, its PXAPI channel and its dialect, as one object.
struct UsbLink {
    LinkState state;
    PxapiChannel channel{state};
    Link link{state, channel, kUsbDialect};
};

}  // namespace kivo::link::usb
