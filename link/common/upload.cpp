#include "link/common/upload.h"

#include "link/common/command_session.h"
#include "link/common/file_type.h"
#include "link/common/name_code_page.h"
#include "link/common/pc_file.h"
#include "link/common/play_order.h"
#include "link/common/transfer_blocks.h"
#include "link/common/upload_header.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace kivo::link {

namespace {

constexpr uint32_t kAfterMemoryTypeMs = 500;
constexpr uint8_t kNoFileIndex = 0;

// The size field is signed 32-bit on the player and the block count 16-bit.
bool FitsTheHeader(off_t size) {
    return size >= 0 && size <= std::numeric_limits<int32_t>::max() &&
           BlockCount(static_cast<uint32_t>(size)) <= std::numeric_limits<uint16_t>::max();
}

}  // namespace

LinkStatus UploadFile(Link& link, uint8_t memoryType, const char* path) {
    PcFile file = PcFile::Open(path, "rb");
    if (!file)
        return kPcFileFailed;
    struct stat info;
    if (::fstat(::fileno(file.get()), &info) != 0 || !FitsTheHeader(info.st_size)) {
        return kPcFileFailed;
    }
    const auto size = static_cast<uint32_t>(info.st_size);
    const uint32_t blockCount = BlockCount(size);
    LinkState& state = link.state;

    CommandSession session(link, kUploadCommand);
    if (session.status() != kOk)
        return session.status();

    const std::string name = ToNameCodePage(state, FileNameOf(path));
    const UploadHeader header{memoryType, DeviceFileTypeOf(path), size,
                              static_cast<uint16_t>(blockCount), name};
    if (LinkStatus s = WriteUploadHeader(session, header, kAfterMemoryTypeMs); s != kOk)
        return s;

    SendMessageA(state.ProgressWindow, kTransferStartMessage, size, 0);
    state.TransferCancelCode = 0;

    std::array<uint8_t, kBlockBufferBytes> block;
    uint32_t remaining = size;
    uint64_t sent = 0;
    for (uint32_t i = 0; i < blockCount; ++i) {
        const uint32_t length = BlockLength(i);
        block.fill(0);
        // The file must still hold what its size promised; a shorter or failing read would
        // send the player zeros in place of the file.
        const uint32_t due = std::min(length, remaining);
        if (std::fread(block.data(), 1, due, file.get()) != due) {
            session.Close();
            return kPcFileFailed;
        }
        remaining -= due;
        if (LinkStatus s = session.Write(block.data(), length, "to port(data)"); s != kOk)
            return s;
        sent += length;
        SendMessageA(state.ProgressWindow, kTransferProgressMessage, static_cast<WPARAM>(sent), 0);
        if (link.dialect.uploadProgressWaitMs)
            Sleep(link.dialect.uploadProgressWaitMs);
        if (LinkStatus s = session.WriteByte(state.TransferCancelCode, "to port(cancel code)");
            s != kOk) {
            return s;
        }
        if (state.TransferCancelCode == kStopCode)
            break;
    }

    uint8_t index = 0;
    if (LinkStatus s = session.Read(&index, 1, "File Index"); s != kOk)
        return s;
    // Index 0 names no file: the player stored nothing (no card, no room, its store failed).
    if (index != kNoFileIndex)
        AppendPlayOrder(state, index);
    file.Close();
    session.Close();
    if (state.TransferCancelCode == kStopCode)
        return kCancelled;
    return index == kNoFileIndex ? kRefused : kOk;
}

}  // namespace kivo::link
