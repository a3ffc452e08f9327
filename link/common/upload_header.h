#pragma once

#include "link/common/command_session.h"

#include <cstdint>
#include <string_view>

namespace kivo::link {

// The header that an upload and a system-file write send after the command byte. The name is
// in the player's code page and is cut to the name field.
struct UploadHeader {
    uint8_t memoryType;
    uint8_t fileType;
    uint32_t size;
    uint16_t blockCount;
    std::string_view name;
};

// Writes the header; `afterMemoryTypeMs` is the wait between its first two fields.
LinkStatus WriteUploadHeader(CommandSession& session, const UploadHeader& header,
                             uint32_t afterMemoryTypeMs);

}  // namespace kivo::link
