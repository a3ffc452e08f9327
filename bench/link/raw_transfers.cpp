#include "bench/link/raw_transfers.h"

#include "link/common/channel_open.h"
#include "link/common/commands.h"
#include "link/common/download_steps.h"
#include "link/common/pc_file.h"
#include "link/common/transfer_blocks.h"
#include "platform/win/clock.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kivo::bench {

namespace {

using namespace kivo::link;

constexpr int16_t kPort = 1;
constexpr uint8_t kFileType = 1;
constexpr uint32_t kPacketBytes = 64;
constexpr uint32_t kSizeBytes = 4;

// The channel open for one exchange (and parlink's port claimed), released at the end of the
// scope.
class RawChannel {
public:
    RawChannel(const LinkStack& stack, uint32_t timeoutMs) : s_(stack) {
        if (s_.ClaimsPort()) {
            if (s_.acquirePort(kPort) != 0)
                return;
            claimed_ = true;
        }
        handle_ = s_.createFile(kChannelName, kReadWrite, 0, nullptr, kOpenExisting, kChannelFlags,
                                nullptr);
        if (handle_ != kPxInvalidHandle)
            s_.setTimeOut(timeoutMs);
    }
    ~RawChannel() {
        if (handle_ != kPxInvalidHandle)
            s_.closeHandle(handle_);
        if (claimed_)
            s_.releasePort(kPort);
    }
    RawChannel(const RawChannel&) = delete;
    RawChannel& operator=(const RawChannel&) = delete;

    bool open() const { return handle_ != kPxInvalidHandle; }
    bool Write(const void* bytes, uint32_t length) {
        uint32_t done = 0;
        return s_.writeFile(handle_, bytes, length, &done, nullptr) != 0 && done == length;
    }
    // The USB driver reads the whole packets with the continuation flag, then the rest.
    bool Read(void* bytes, uint32_t length) {
        if (s_.ClaimsPort())
            return ReadPart(bytes, length, 0);
        const uint32_t packets = length - length % kPacketBytes;
        return ReadPart(bytes, packets, 1) &&
               ReadPart(static_cast<uint8_t*>(bytes) + packets, length - packets, 0);
    }

private:
    bool ReadPart(void* bytes, uint32_t length, uint32_t more) {
        if (length == 0)
            return true;
        uint32_t done = 0;
        const int32_t ok = s_.ClaimsPort()
                               ? s_.readFile(handle_, bytes, length, &done, nullptr)
                               : s_.readFileMore(handle_, bytes, length, &done, nullptr, more);
        return ok != 0 && done == length;
    }

    const LinkStack& s_;
    bool claimed_ = false;
    PxHandle handle_ = kPxInvalidHandle;
};

bool Save(std::FILE* file, const uint8_t* data, uint32_t length, uint32_t size, uint32_t& at) {
    const uint32_t n = std::min(length, size - at);
    at += n;
    return std::fwrite(data, 1, n, file) == n;
}

}  // namespace

bool RawUpload(const LinkStack& stack, const std::filesystem::path& source) {
    PcFile file = PcFile::Open(source.c_str(), "rb");
    if (!file)
        return false;
    const auto size = static_cast<uint32_t>(std::filesystem::file_size(source));
    const uint32_t blocks = BlockCount(size);
    RawChannel channel(stack, kUploadCommand.timeoutMs);
    if (!channel.open())
        return false;
    const uint8_t header[] = {kUploadCommand.code,
                              0,
                              kFileType,
                              static_cast<uint8_t>(size),
                              static_cast<uint8_t>(size >> 8),
                              static_cast<uint8_t>(size >> 16),
                              static_cast<uint8_t>(size >> 24),
                              static_cast<uint8_t>(blocks),
                              static_cast<uint8_t>(blocks >> 8)};
    bool ok = true;
    size_t at = 0;
    for (uint32_t width : {1u, 1u, 1u, 4u, 2u}) {
        ok = ok && channel.Write(header + at, width);
        at += width;
        if (at == 2)
            Sleep(kAfterMemoryTypeMs);
    }
    char name[kNameFieldBytes] = "raw.mp3";
    ok = ok && channel.Write(name, kNameFieldBytes);
    std::vector<uint8_t> block(kBlockBufferBytes);
    uint32_t offset = 0;
    const uint8_t go = 0;
    for (uint32_t i = 0; ok && i < blocks; ++i) {
        const uint32_t length = BlockLength(i);
        const uint32_t n = std::min(length, size - offset);
        std::fill(block.begin(), block.begin() + length, 0);
        ok = std::fread(block.data(), 1, n, file.get()) == n && channel.Write(block.data(), length);
        if (ok && !stack.ClaimsPort())
            Sleep(kUsbAfterBlockMs);
        ok = ok && channel.Write(&go, 1);
        offset += n;
    }
    uint8_t index = 0;
    return ok && channel.Read(&index, 1);
}

// parlink reads the size alone and each later block after its valid code; buslink reads the
// size with block 0 and each later block behind its valid code.
bool RawDownload(const LinkStack& stack, uint8_t index, const std::filesystem::path& target) {
    PcFile file = PcFile::Open(target.c_str(), "wb");
    if (!file)
        return false;
    const bool usb = !stack.ClaimsPort();
    bool ok = false;
    {
        RawChannel channel(stack, kDownloadCommand.timeoutMs);
        std::vector<uint8_t> block(kBlockBufferBytes + kSizeBytes);
        ok = channel.open() && channel.Write(&kDownloadCommand.code, 1) &&
             channel.Write(&index, 1) &&
             channel.Read(block.data(), usb ? kSizeBytes + kFirstBlockBytes : kSizeBytes);
        const uint32_t size = DownloadSize(block.data());
        const uint32_t blocks = BlockCount(size);
        uint32_t at = 0;
        uint8_t code = 0;
        if (usb)
            ok = ok && Save(file.get(), block.data() + kSizeBytes, kFirstBlockBytes, size, at);
        for (uint32_t i = usb ? 1 : 0; ok && i < blocks; ++i) {
            if (usb) {
                ok = channel.Write(&code, 1) && channel.Read(block.data(), 1 + kLaterBlockBytes) &&
                     Save(file.get(), block.data() + 1, kLaterBlockBytes, size, at);
                continue;
            }
            const uint32_t length = BlockLength(i);
            ok = channel.Read(block.data(), length) &&
                 Save(file.get(), block.data(), length, size, at);
            if (ok && i + 1 < blocks)
                ok = channel.Write(&code, 1) && channel.Read(&code, 1);
        }
    }
    return file.Close() && ok;
}

}  // namespace kivo::bench
