#include "link/usb/download.h"

#include "link/common/command_session.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"
#include "platform/win/window.h"

#include <algorithm>
#include <array>

namespace kivo::link::usb {

namespace {

constexpr uint32_t kSizeBytes = 4;
constexpr uint32_t kValidCodeBytes = 1;

}  // namespace

LinkStatus DownloadFile(Link& link, uint8_t index, const char* path) {
    CommandSession session(link, kDownloadCommand);
    if (session.status() != kOk)
        return session.status();
    if (LinkStatus s = session.WriteByte(index, "File Index"); s != kOk)
        return s;
    // Room for a valid code and a later block; the size and block 0 fit as well.
    std::array<uint8_t, kValidCodeBytes + kLaterBlockBytes> block;
    if (LinkStatus s =
            session.Read(block.data(), kSizeBytes + kFirstBlockBytes, "from port(filesize)");
        s != kOk) {
        return s;
    }
    const uint32_t size =
        block[0] | (block[1] << 8) | (block[2] << 16) | (uint32_t{block[3]} << 24);
    if (size == 0)
        return kRefused;

    LinkState& state = link.state;
    SendMessageA(state.ProgressWindow, kTransferStartMessage, size, 0);
    PcFile file = PcFile::Open(path, "wb");
    if (!file)
        return kPcFileFailed;
    const uint32_t blockCount = BlockCount(size);
    state.TransferCancelCode = 0;

    uint32_t written = 0;
    auto save = [&](const uint8_t* data, uint32_t length) {
        const uint32_t due = std::min(length, size - written);
        if (std::fwrite(data, 1, due, file.get()) != due)
            return false;
        written += due;
        SendMessageA(state.ProgressWindow, kTransferProgressMessage, written, 0);
        return true;
    };
    if (!save(block.data() + kSizeBytes, kFirstBlockBytes))
        return kPcFileFailed;
    for (uint32_t i = 1; i < blockCount; ++i) {
        if (LinkStatus s = session.WriteByte(state.TransferCancelCode, "to port(cancel code)");
            s != kOk) {
            return s;
        }
        if (state.TransferCancelCode == kStopCode)
            break;
        // The code that arrived with the block before this one.
        if (i > 1) {
            state.TransferCancelCode = block[0];
            if (state.TransferCancelCode == kPlayerAbortCode)
                break;
        }
        if (LinkStatus s = session.Read(block.data(), block.size(), "from port(file data)");
            s != kOk) {
            return s;
        }
        if (!save(block.data() + kValidCodeBytes, kLaterBlockBytes))
            return kPcFileFailed;
    }
    // Data the disk did not take shows only when the file is closed.
    if (!file.Close())
        return kPcFileFailed;
    session.Close();
    if (state.TransferCancelCode == kStopCode)
        return kCancelled;
    return state.TransferCancelCode == kPlayerAbortCode ? kPlayerAborted : kOk;
}

}  // namespace kivo::link::usb
