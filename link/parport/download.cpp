#include "link/parport/download.h"

#include "link/common/command_session.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"
#include "platform/win/window.h"

#include <algorithm>
#include <array>

namespace kivo::link {

LinkStatus DownloadFile(Link& link, uint8_t index, const char* path) {
    CommandSession session(link, kDownloadCommand);
    if (session.status() != kOk)
        return session.status();
    if (LinkStatus s = session.WriteByte(index, "File Index"); s != kOk)
        return s;
    uint8_t sizeBytes[4];
    if (LinkStatus s = session.Read(sizeBytes, 4, "from port(filesize)"); s != kOk)
        return s;
    const uint32_t size =
        sizeBytes[0] | (sizeBytes[1] << 8) | (sizeBytes[2] << 16) | (uint32_t{sizeBytes[3]} << 24);
    if (size == 0)
        return kRefused;

    PcFile file = PcFile::Open(path, "wb");
    if (!file)
        return kPcFileFailed;
    LinkState& state = link.state;
    const uint32_t blockCount = BlockCount(size);
    SendMessageA(state.ProgressWindow, kTransferStartMessage, size, 0);
    state.TransferCancelCode = 0;

    std::array<uint8_t, kBlockBufferBytes> block;
    uint32_t written = 0;
    for (uint32_t i = 0; i < blockCount; ++i) {
        const uint32_t length = BlockLength(i);
        if (LinkStatus s = session.Read(block.data(), length, "from port(file data)"); s != kOk) {
            return s;
        }
        const uint32_t due = std::min(length, size - written);
        if (std::fwrite(block.data(), 1, due, file.get()) != due)
            return kPcFileFailed;
        written += due;
        SendMessageA(state.ProgressWindow, kTransferProgressMessage, written, 0);
        if (i + 1 == blockCount)
            break;
        if (LinkStatus s = session.WriteByte(state.TransferCancelCode, "to port(cancel code)");
            s != kOk) {
            return s;
        }
        if (state.TransferCancelCode == kStopCode)
            break;
        if (LinkStatus s = session.Read(&state.TransferCancelCode, 1, "from port(valid code)");
            s != kOk) {
            return s;
        }
        if (state.TransferCancelCode == kPlayerAbortCode)
            break;
    }
    // Data the disk did not take shows only when the file is closed.
    if (!file.Close())
        return kPcFileFailed;
    session.Close();
    if (state.TransferCancelCode == kStopCode)
        return kCancelled;
    return state.TransferCancelCode == kPlayerAbortCode ? kPlayerAborted : kOk;
}

}  // namespace kivo::link
