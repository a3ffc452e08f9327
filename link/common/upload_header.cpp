#include "link/common/upload_header.h"

#include "link/common/transfer_blocks.h"
#include "platform/win/clock.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kivo::link {

LinkStatus WriteUploadHeader(CommandSession& session, const UploadHeader& header,
                             uint32_t afterMemoryTypeMs) {
    if (LinkStatus s = session.WriteByte(header.memoryType, "to port(memory type)"); s != kOk) {
        return s;
    }
    if (afterMemoryTypeMs)
        Sleep(afterMemoryTypeMs);
    if (LinkStatus s = session.WriteByte(header.fileType, "to port(file type)"); s != kOk) {
        return s;
    }
    const uint8_t size[4] = {
        static_cast<uint8_t>(header.size), static_cast<uint8_t>(header.size >> 8),
        static_cast<uint8_t>(header.size >> 16), static_cast<uint8_t>(header.size >> 24)};
    if (LinkStatus s = session.Write(size, 4, "to port(file size)"); s != kOk)
        return s;
    const uint8_t blocks[2] = {static_cast<uint8_t>(header.blockCount),
                               static_cast<uint8_t>(header.blockCount >> 8)};
    if (LinkStatus s = session.Write(blocks, 2, "to port(file block)"); s != kOk)
        return s;
    std::array<char, kNameFieldBytes> name{};
    std::memcpy(name.data(), header.name.data(), std::min<size_t>(header.name.size(), name.size()));
    return session.Write(name.data(), kNameFieldBytes, "to port(file name)");
}

}  // namespace kivo::link
