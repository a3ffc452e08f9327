#include "link/usb/file_list.h"

#include "link/common/command_session.h"
#include "link/common/file_list_row.h"
#include "link/common/transfer_blocks.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kivo::link::usb {

namespace {

constexpr uint32_t kPieceBytes = 512;
constexpr uint32_t kEntryBytes = 522;
// The stream ends this many bytes after the start of the end marker.
constexpr uint32_t kEndBytes = kEntryBytes + 1;
constexpr uint8_t kEndMarker = 0;

void ParseEntry(const uint8_t* record, DeviceFileEntry& entry) {
    entry.index = record[0];
    entry.type = record[1];
    entry.size = static_cast<int32_t>(record[2] | (record[3] << 8) | (record[4] << 16) |
                                      (uint32_t{record[5]} << 24));
    // The buffer is larger than the field, so a name of all 515 bytes still ends.
    entry.name.fill(0);
    std::memcpy(entry.name.data(), record + 6, kNameFieldBytes);
    const uint8_t code = record[6 + kNameFieldBytes];
    entry.bitRateCode = code < kBitRateCodes ? code : 0;
}

}  // namespace

LinkStatus ReadFileList(Link& link, HWND listView) {
    CommandSession session(link, kFileListCommand);
    if (session.status() != kOk)
        return session.status();
    link.state.PhoneBookIndex = -1;

    // The record in progress, followed by room for one more piece.
    std::array<uint8_t, kPieceBytes + kEntryBytes> buffer;
    uint32_t held = 0;
    DeviceFileEntry entry;
    // A record begins at the buffer's start; with nothing held the next piece begins one.
    while (held == 0 || buffer[0] != kEndMarker) {
        if (LinkStatus s = session.Read(buffer.data() + held, kPieceBytes, "File List"); s != kOk)
            return s;
        if (held < kEntryBytes - kPieceBytes) {
            held += kPieceBytes;
            continue;
        }
        ParseEntry(buffer.data(), entry);
        held -= kEntryBytes - kPieceBytes;
        std::memmove(buffer.data(), buffer.data() + kEntryBytes, held);
        AddFileListRow(link.state, listView, entry);
    }
    const uint32_t tail = kEndBytes - held;
    return session.Read(buffer.data() + held, tail, "File List");
}

}  // namespace kivo::link::usb
