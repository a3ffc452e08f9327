#include "link/usb/download.h"

#include "link/common/command_session.h"
#include "link/common/download_steps.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"
#include "platform/win/window.h"

#include <array>

namespace kivo::link::usb {

namespace {

constexpr uint32_t kSizeBytes = 4;
constexpr uint32_t kValidCodeBytes = 1;

}  // namespace

LinkStatus DownloadFile(Link& link, uint8_t index, const char* path) {
    CommandSession session(link, kDownloadCommand);
    if (LinkStatus s = RequestDownload(session, index); s != kOk)
        return s;
    // Room for a valid code and a later block; the size and block 0 fit as well.
    std::array<uint8_t, kValidCodeBytes + kLaterBlockBytes> block;
    if (LinkStatus s =
            session.Read(block.data(), kSizeBytes + kFirstBlockBytes, "from port(filesize)");
        s != kOk) {
        return s;
    }
    const uint32_t size = DownloadSize(block.data());
    if (size == 0)
        return kRefused;

    LinkState& state = link.state;
    SendMessageA(state.ProgressWindow, kTransferStartMessage, size, 0);
    PcFile file = PcFile::Open(path, "wb");
    if (!file)
        return kPcFileFailed;
    const uint32_t blockCount = BlockCount(size);
    state.TransferCancelCode = 0;

    DownloadSink sink(file, size, state);
    if (!sink.Save(block.data() + kSizeBytes, kFirstBlockBytes))
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
        if (!sink.Save(block.data() + kValidCodeBytes, kLaterBlockBytes))
            return kPcFileFailed;
    }
    return FinishDownload(session, file, state.TransferCancelCode);
}

}  // namespace kivo::link::usb
