#pragma once

#include "link/common/link.h"
#include "platform/win/types.h"

namespace kivo::link::usb {

// Reads the file list as one stream of 522-byte entries in 512-byte pieces, appending a row
// per listed file to the caller's list view; an entry whose index is 0 ends the list.
LinkStatus ReadFileList(Link& link, HWND listView);

}  // namespace kivo::link::usb
