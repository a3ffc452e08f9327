#pragma once

#include "link/common/command_session.h"
#include "link/common/file_list_row.h"
#include "platform/win/types.h"

namespace kivo::link::parport {

// Reads one entry of the file list; an index of 255 ends the list and nothing more is read.
// On failure the channel is closed.
LinkStatus ReadFileEntry(CommandSession& session, DeviceFileEntry& entry);

// Appends a row per listed file to the caller's list view and notes the telephone book.
LinkStatus ReadFileList(Link& link, HWND listView);

}  // namespace kivo::link::parport
