#include "link/parport/download.h"

#include "link/common/command_session.h"
#include "link/common/download_steps.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"
#include "platform/win/window.h"

#include <array>

namespace kivo::link::parport {

LinkStatus DownloadFile(Link& link, uint8_t index, const char* path) {
    CommandSession session(link, kDownloadCommand);
    if (LinkStatus s = RequestDownload(session, index); s != kOk)
        return s;
    uint8_t sizeBytes[4];
    if (LinkStatus s = session.Read(sizeBytes, 4, "from port(filesize)"); s != kOk)
        return s;
    const uint32_t size = DownloadSize(sizeBytes);
    if (size == 0)
        return kRefused;

    PcFile file = PcFile::Open(path, "wb");
    if (!file)
        return kPcFileFailed;
    LinkState& state = link.state;
    const uint32_t blockCount = BlockCount(size);
    SendMessageA(state.ProgressWindow, kTransferStartMessage, size, 0);
    state.TransferCancelCode = 0;

    DownloadSink sink(file, size, state);
    std::array<uint8_t, kBlockBufferBytes> block;
    for (uint32_t i = 0; i < blockCount; ++i) {
        const uint32_t length = BlockLength(i);
        if (LinkStatus s = session.Read(block.data(), length, "from port(file data)"); s != kOk) {
            return s;
        }
        if (!sink.Save(block.data(), length))
            return kPcFileFailed;
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
    return FinishDownload(session, file, state.TransferCancelCode);
}

}  // namespace kivo::link::parport
