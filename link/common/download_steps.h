#pragma once

#include "link/common/command_session.h"
#include "link/common/link_state.h"
#include "link/common/pc_file.h"

#include <cstdint>

namespace kivo::link {

// What both downloads do alike; only how the blocks arrive differs.

// Sends the download command and the file's index.
LinkStatus RequestDownload(CommandSession& session, uint8_t index);

// The file size the player sends first, little-endian.
uint32_t DownloadSize(const uint8_t* bytes);

// The PC side: writes what is still due of each block and reports the bytes so far.
class DownloadSink {
public:
    DownloadSink(PcFile& file, uint32_t size, const LinkState& state)
        : file_(file), size_(size), state_(state) {}

    bool Save(const uint8_t* data, uint32_t length);

private:
    PcFile& file_;
    const uint32_t size_;
    const LinkState& state_;
    uint32_t written_ = 0;
};

// Closes the PC file, then the session, and gives the download's result from the last cancel
// code: stopped, ended by the player, or done.
LinkStatus FinishDownload(CommandSession& session, PcFile& file, uint8_t cancelCode);

}  // namespace kivo::link
