#include "explorer/SC4Tools.h"

#include "appkit/messages.h"
#include "platform/win/file_write.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace kivo::explorer {

using kivo::win::WriteAll;

namespace {

constexpr size_t kChunk = 64 * 1024;

int PatternAt(const uint8_t* window) {
    for (size_t p = 0; p < kSC4Formats.size(); ++p) {
        if (std::memcmp(window, kSC4Formats[p].pattern, 3) == 0)
            return static_cast<int>(p);
    }
    return -1;
}

void Put16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Header, then exactly `dataSize` bytes of the source from its current position.
bool WriteWave(std::istream& source, int fd, uint32_t dataSize, int pattern) {
    auto header = BuildSC4WaveHeader(dataSize, pattern);
    if (!WriteAll(fd, header.data(), header.size()))
        return false;
    std::vector<char> buffer(kChunk);
    uint64_t left = dataSize;
    while (left > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        source.read(buffer.data(), static_cast<std::streamsize>(want));
        if (static_cast<size_t>(source.gcount()) != want)
            return false;
        if (!WriteAll(fd, buffer.data(), want))
            return false;
        left -= want;
    }
    return true;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

}  // namespace

int64_t FindSC4SyncBlock(std::istream& file, int& pattern) {
    // The last two bytes of the previous chunk stay in front, so a pattern across chunks is seen.
    std::vector<uint8_t> buffer(kChunk + 2);
    size_t kept = 0;
    int64_t base = 0;  // file offset of buffer[0]
    for (;;) {
        file.read(reinterpret_cast<char*>(buffer.data() + kept), kChunk);
        size_t size = kept + static_cast<size_t>(file.gcount());
        for (size_t i = 0; i + 3 <= size; ++i) {
            int found = PatternAt(buffer.data() + i);
            if (found >= 0) {
                pattern = found;
                return base + static_cast<int64_t>(i);
            }
        }
        if (!file)
            return -1;
        kept = std::min<size_t>(size, 2);
        std::memmove(buffer.data(), buffer.data() + size - kept, kept);
        base += static_cast<int64_t>(size - kept);
    }
}

std::array<uint8_t, kSC4WaveHeaderSize> BuildSC4WaveHeader(uint32_t dataSize, int pattern) {
    const SC4Format& f = kSC4Formats.at(static_cast<size_t>(pattern));
    std::array<uint8_t, kSC4WaveHeaderSize> h{};
    std::memcpy(&h[0], "RIFF", 4);
    Put32(&h[4], dataSize + 40);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    Put32(&h[16], 20);
    Put16(&h[20], kSC4FormatTag);
    Put16(&h[22], f.channels);
    Put32(&h[24], f.samplesPerSecond);
    Put32(&h[28], f.averageBytesPerSecond);
    Put16(&h[32], 30);  // block align: one SC4 block
    Put16(&h[34], 0);   // bits per sample
    Put16(&h[36], 2);   // extra size
    Put16(&h[38], f.samplesPerBlock);
    std::memcpy(&h[40], "data", 4);
    Put32(&h[44], dataSize);
    return h;
}

std::string SC4WavePathFor(const std::string& source) {
    size_t nameStart = source.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = source.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return source + ".WAV";
    return source.substr(0, dot) + ".WAV";
}

int ConvertSC4ToWav(const std::string& source, const std::string& destination) {
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(source, ec))
        return -1;
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return -1;
    fs::path target = destination.empty() ? SC4WavePathFor(source) : destination;
    // Writing over the recording would lose it.
    if (SameFile(source, target))
        return -1;

    int pattern = 0;
    int64_t offset = FindSC4SyncBlock(in, pattern);
    if (offset < 0) {
        ShowAppMessage("End of file while searching for synchro-block", MB_OK);
        return -1;
    }
    uintmax_t size = fs::file_size(source, ec);
    if (ec || size < static_cast<uintmax_t>(offset))
        return -1;
    uintmax_t dataSize = size - static_cast<uintmax_t>(offset);
    // The RIFF size field holds the data size + 40 in 32 bits.
    if (dataSize > 0xFFFFFFFFu - 40)
        return -1;
    in.clear();
    in.seekg(offset);
    if (!in)
        return -1;

    kivo::win::ReplacementFile out(target, 0666, kivo::win::PartName::AfterDestination);
    if (!out)
        return -1;
    if (!WriteWave(in, out.fd(), static_cast<uint32_t>(dataSize), pattern) || !out.Commit())
        return -1;
    return 0;
}

}  // namespace kivo::explorer
