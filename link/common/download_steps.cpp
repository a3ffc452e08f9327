#include "link/common/download_steps.h"

#include "link/common/transfer_blocks.h"
#include "platform/win/window.h"

#include <algorithm>

namespace kivo::link {

LinkStatus RequestDownload(CommandSession& session, uint8_t index) {
    if (session.status() != kOk)
        return session.status();
    return session.WriteByte(index, "File Index");
}

uint32_t DownloadSize(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t{bytes[3]} << 24);
}

bool DownloadSink::Save(const uint8_t* data, uint32_t length) {
    const uint32_t due = std::min(length, size_ - written_);
    if (std::fwrite(data, 1, due, file_.get()) != due)
        return false;
    written_ += due;
    SendMessageA(state_.ProgressWindow, kTransferProgressMessage, written_, 0);
    return true;
}

LinkStatus FinishDownload(CommandSession& session, PcFile& file, uint8_t cancelCode) {
    // Data the disk did not take shows only when the file is closed.
    if (!file.Close())
        return kPcFileFailed;
    session.Close();
    if (cancelCode == kStopCode)
        return kCancelled;
    return cancelCode == kPlayerAbortCode ? kPlayerAborted : kOk;
}

}  // namespace kivo::link
