#pragma once

#include "link/usb/usb_link.h"

namespace kivo::link::usb {

// Reads the four memory figures with the driver's short reads. Once the command byte is
// written this reports 0: a figure the driver does not deliver reads 0.
LinkStatus ReadMemoryInfo(UsbLink& usb);

}  // namespace kivo::link::usb
