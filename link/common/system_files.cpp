#include "link/common/system_files.h"

#include "link/common/command_session.h"
#include "link/common/mas_images.h"
#include "link/common/memory_ops.h"
#include "link/common/player_version.h"
#include "link/common/transfer_blocks.h"
#include "link/common/upload_header.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace kivo::link {

namespace {

constexpr uint8_t kPlainFileType = 0;
constexpr uint8_t kMasFileType = 4;

struct SystemFile {
    uint8_t index;
    Command command;
    uint8_t fileType;
    const char* name;
};

constexpr SystemFile kSerialFile{kSerialFileIndex, kWriteSerialCommand, kPlainFileType,
                                 "serial.dat"};
constexpr SystemFile kConfigFile{kConfigFileIndex, kWriteConfigCommand, kPlainFileType,
                                 "config.dat"};
constexpr SystemFile kEncoderFile{kEncoderFileIndex, kWriteEncoderCommand, kMasFileType,
                                  "encode.mas"};
constexpr SystemFile kDecoderFile{kDecoderFileIndex, kWriteDecoderCommand, kMasFileType,
                                  "decode.mas"};

// One whole first block holds the content; the size field tells the player how much to keep.
LinkStatus WriteSystemFile(Link& link, const SystemFile& file, std::span<const uint8_t> content,
                           uint32_t size) {
    CommandSession session(link, file.command);
    if (session.status() != kOk)
        return session.status();
    const UploadHeader header{kInternalMemory, file.fileType, size, 1, file.name};
    if (LinkStatus s = WriteUploadHeader(session, header, 0); s != kOk)
        return s;
    std::array<uint8_t, kFirstBlockBytes> block{};
    std::memcpy(block.data(), content.data(), std::min<size_t>(content.size(), block.size()));
    if (LinkStatus s = session.Write(block.data(), kFirstBlockBytes, "to port(data)"); s != kOk) {
        return s;
    }
    if (LinkStatus s = session.WriteByte(0, "to port(cancel code)"); s != kOk)
        return s;
    uint8_t index = 0;
    return session.Read(&index, 1, "File Index");
}

LinkStatus ReplaceSystemFile(Link& link, const SystemFile& file, std::span<const uint8_t> content,
                             uint32_t size) {
    DeleteDeviceFile(link, file.index);
    return WriteSystemFile(link, file, content, size);
}

}  // namespace

LinkStatus WriteConfigFile(Link& link) {
    return ReplaceSystemFile(link, kConfigFile, link.state.ConfigArea, kConfigFileBytes);
}

LinkStatus WriteMasImages(Link& link) {
    DeleteDeviceFile(link, kEncoderFileIndex);
    DeleteDeviceFile(link, kDecoderFileIndex);
    const bool older = IsOlderPlayer(link.state);
    const auto encoder = EncoderImage(older);
    if (LinkStatus s = WriteSystemFile(link, kEncoderFile, encoder, encoder.size()); s != kOk) {
        return s;
    }
    const auto decoder = DecoderImage(older);
    return WriteSystemFile(link, kDecoderFile, decoder, decoder.size());
}

LinkStatus WriteSerialFile(Link& link, const char* deviceTag) {
    const size_t length = std::min(std::strlen(deviceTag) + 1, size_t{kFirstBlockBytes});
    return ReplaceSystemFile(
        link, kSerialFile, {reinterpret_cast<const uint8_t*>(deviceTag), length}, kSerialFileBytes);
}

LinkStatus CheckDeviceStatus(Link& link) {
    CommandSession session(link, kStatusCommand);
    if (session.status() != kOk)
        return session.status();
    if (link.dialect.statusReplyTimeoutMs)
        session.SetTimeout(link.dialect.statusReplyTimeoutMs);
    uint8_t reply = 0;
    return session.Read(&reply, 1, "memory initialize OK");
}

}  // namespace kivo::link
