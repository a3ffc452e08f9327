// The sync search and the wrapper on any bytes: the search finds what a plain scan finds, and a
// wrapped file is exactly the header and the data from the sync block on.
#include "explorer/SC4Tools.h"

#include "platform/win/msgbox.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

using namespace kivo::explorer;

namespace {

int64_t PlainScan(const uint8_t* data, size_t size, int& pattern) {
    for (size_t i = 0; i + 3 <= size; ++i)
        for (size_t p = 0; p < kSC4Formats.size(); ++p)
            if (std::memcmp(data + i, kSC4Formats[p].pattern, 3) == 0) {
                pattern = static_cast<int>(p);
                return static_cast<int64_t>(i);
            }
    return -1;
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScopedMessageBoxHook quiet([](const MessageBoxRequest&) { return IDOK; });
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream stream(bytes);
    int found = -1, expected = -1;
    int64_t offset = FindSC4SyncBlock(stream, found);
    if (offset != PlainScan(data, size, expected) || found != expected)
        std::abort();

    static const struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("fuzz-sc4-" + std::to_string(::getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() { std::filesystem::remove_all(path); }
    } folder;
    const auto& dir = folder.path;
    auto source = dir / "REC.SC4";
    auto wave = dir / "REC.WAV";
    std::filesystem::remove(wave);
    std::ofstream(source, std::ios::binary) << bytes;
    int result = ConvertSC4ToWav(source.string(), "");
    if (offset < 0) {
        if (result != -1 || std::filesystem::exists(wave))
            std::abort();
    } else {
        auto header = BuildSC4WaveHeader(static_cast<uint32_t>(size - offset), found);
        std::string want(header.begin(), header.end());
        want += bytes.substr(static_cast<size_t>(offset));
        if (result != 0 || Slurp(wave) != want)
            std::abort();
    }
    if (Slurp(source) != bytes)
        std::abort();
    return 0;
}
