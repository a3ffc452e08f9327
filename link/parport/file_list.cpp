#include "link/parport/file_list.h"

#include "link/common/transfer_blocks.h"

namespace kivo::link::parport {

LinkStatus ReadFileEntry(CommandSession& session, DeviceFileEntry& entry) {
    if (LinkStatus s = session.Read(&entry.index, 1, "File Index"); s != kOk)
        return s;
    if (entry.index == kEndOfList)
        return kOk;
    if (LinkStatus s = session.Read(&entry.type, 1, "File Type"); s != kOk)
        return s;
    uint8_t size[4];
    if (LinkStatus s = session.Read(size, 4, "File Size"); s != kOk)
        return s;
    entry.size = static_cast<int32_t>(size[0] | (size[1] << 8) | (size[2] << 16) |
                                      (uint32_t{size[3]} << 24));
    if (LinkStatus s = session.Read(entry.name.data(), kNameFieldBytes, "File Name"); s != kOk) {
        return s;
    }
    if (LinkStatus s = session.Read(&entry.bitRateCode, 1, "File KBPS"); s != kOk)
        return s;
    if (entry.bitRateCode >= kBitRateCodes)
        entry.bitRateCode = 0;
    return kOk;
}

LinkStatus ReadFileList(Link& link, HWND listView) {
    CommandSession session(link, kFileListCommand);
    if (session.status() != kOk)
        return session.status();
    link.state.PhoneBookIndex = -1;
    DeviceFileEntry entry;
    for (;;) {
        // The buffer is larger than the field, so a name of all 515 bytes still ends.
        entry.name.fill(0);
        if (LinkStatus s = ReadFileEntry(session, entry); s != kOk)
            return s;
        if (entry.index == kEndOfList)
            return kOk;
        if (entry.index != kSkippedEntry)
            AddFileListRow(link.state, listView, entry);
    }
}

}  // namespace kivo::link::parport
