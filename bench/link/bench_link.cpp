// Upload and download through parlink and the embedded simulated player, beside the same
// driver calls made directly (the raw channel), unthrottled and on a 600 KB/s wire.
#include "link/common/commands.h"
#include "link/common/memory_ops.h"
#include "link/common/transfer_blocks.h"
#include "link/common/upload.h"
#include "link/parport/download.h"
#include "link/parport/parport_link.h"
#include "platform/pxdll/pxdll.h"
#include "platform/win/clock.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kivo::link;
namespace fs = std::filesystem;

constexpr uint32_t kWireBytesPerSecond = 600 * 1024;
constexpr uint32_t kUploadFixedWaitMs = 500;  // after the memory type of every upload
constexpr uint8_t kFileType = 1;

enum class Direction { kUpload, kDownload };

// The real clock, less the link's prescribed fixed wait: the benchmark measures the stack and
// the wire, not the waits. The player's wire waits (a few ms per block) still pass.
class WithoutFixedWaits : public Clock {
public:
    explicit WithoutFixedWaits(Clock& real) : real_(real) {}
    void Sleep(uint32_t ms) override {
        if (ms != kUploadFixedWaitMs)
            real_.Sleep(ms);
    }
    uint64_t Ticks() override { return real_.Ticks(); }
    double Now() override { return real_.Now(); }

private:
    Clock& real_;
};

fs::path WorkDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("kivo-bench-link-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

std::vector<uint8_t> Content(uint32_t size) {
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return bytes;
}

fs::path SourceFile(uint32_t size) {
    const fs::path path = WorkDir() / ("source-" + std::to_string(size) + ".mp3");
    if (!fs::exists(path)) {
        const auto bytes = Content(size);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
    }
    return path;
}

void Control(const std::string& line) {
    char reply[256];
    if (PXDLL_TestControl(line.c_str(), reply, sizeof reply) != 0) {
        std::fprintf(stderr, "player control failed: %s\n", line.c_str());
        std::exit(1);
    }
}

void StartPlayer(bool throttled) {
    PXDLL_TestReset();
    Control("flash 4000");
    Control("speed " + std::to_string(throttled ? kWireBytesPerSecond : 0));
}

// The port claimed and the channel open for one exchange, released at the end of the scope.
class RawChannel {
public:
    explicit RawChannel(uint32_t timeoutMs) {
        if (PX_AcquirePort(1) != 0)
            return;
        claimed_ = true;
        handle_ = PX_CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0x20000004, nullptr);
        if (handle_ != kPxInvalidHandle)
            PX_SetTimeOut(timeoutMs);
    }
    ~RawChannel() {
        if (handle_ != kPxInvalidHandle)
            PX_CloseHandle(handle_);
        if (claimed_)
            PX_ReleasePort(1);
    }
    RawChannel(const RawChannel&) = delete;
    RawChannel& operator=(const RawChannel&) = delete;

    bool open() const { return handle_ != kPxInvalidHandle; }
    bool Write(const void* bytes, uint32_t length) {
        uint32_t done = 0;
        return PX_WriteFile(handle_, bytes, length, &done, nullptr) != 0 && done == length;
    }
    bool Read(void* bytes, uint32_t length) {
        uint32_t done = 0;
        return PX_ReadFile(handle_, bytes, length, &done, nullptr) != 0 && done == length;
    }

private:
    bool claimed_ = false;
    PxHandle handle_ = kPxInvalidHandle;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The same driver calls an upload makes, and the same reads of the PC file, without the link's
// layers: what is left between the two is the protocol stack's own cost.
bool RawUpload(const fs::path& source) {
    FilePtr file(std::fopen(source.c_str(), "rb"));
    if (!file)
        return false;
    const auto size = static_cast<uint32_t>(fs::file_size(source));
    const uint32_t blocks = BlockCount(size);
    RawChannel channel(kUploadCommand.timeoutMs);
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
        ok = std::fread(block.data(), 1, n, file.get()) == n &&
             channel.Write(block.data(), length) && channel.Write(&go, 1);
        offset += n;
    }
    uint8_t index = 0;
    return ok && channel.Read(&index, 1);
}

// The same driver calls a download makes, and the same writes of the PC file.
bool RawDownload(uint8_t index, const fs::path& target) {
    FilePtr file(std::fopen(target.c_str(), "wb"));
    if (!file)
        return false;
    bool ok = false;
    {
        RawChannel channel(kDownloadCommand.timeoutMs);
        uint8_t sizeBytes[4] = {};
        ok = channel.open() && channel.Write(&kDownloadCommand.code, 1) &&
             channel.Write(&index, 1) && channel.Read(sizeBytes, 4);
        const uint32_t size = sizeBytes[0] | (sizeBytes[1] << 8) | (sizeBytes[2] << 16) |
                              (uint32_t{sizeBytes[3]} << 24);
        const uint32_t blocks = BlockCount(size);
        std::vector<uint8_t> block(kBlockBufferBytes);
        uint32_t offset = 0;
        uint8_t code = 0;
        for (uint32_t i = 0; ok && i < blocks; ++i) {
            const uint32_t length = BlockLength(i);
            const uint32_t n = std::min(length, size - offset);
            ok = channel.Read(block.data(), length) &&
                 std::fwrite(block.data(), 1, n, file.get()) == n;
            offset += n;
            if (ok && i + 1 < blocks)
                ok = channel.Write(&code, 1) && channel.Read(&code, 1);
        }
    }
    return std::fclose(file.release()) == 0 && ok;
}

std::string Name(Direction d, uint32_t size, bool throttled) {
    return std::string(d == Direction::kUpload ? "upload" : "download") + "/" +
           std::to_string(size >> 20) + "MB/" + (throttled ? "wire600KB" : "unthrottled");
}

struct Best {
    double link = 0;
    double raw = 0;
};
std::map<std::string, Best> results;

double Seconds(const std::function<bool()>& transfer, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = transfer() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration moves the file through parlink and through the raw channel, one right after
// the other, so that both see the same load on a shared machine; the best of each counts.
void Run(benchmark::State& state, Direction direction, uint32_t size, bool throttled) {
    ParportLink parlink;
    const auto content = Content(size);
    const fs::path source = SourceFile(size);
    const fs::path target = WorkDir() / "target.mp3";
    uint8_t stored = 0;
    auto store = [&] {
        stored =
            static_cast<uint8_t>(PXDLL_TestPutFile(0, kFileType, "song.mp3", content.data(), size));
        return stored != 0;
    };
    auto viaLink = [&] {
        return direction == Direction::kUpload
                   ? UploadFile(parlink.link, 0, source.c_str()) == kOk
                   : DownloadFile(parlink.link, stored, target.c_str()) == kOk;
    };
    auto viaRaw = [&] {
        return direction == Direction::kUpload ? RawUpload(source) : RawDownload(stored, target);
    };
    // Each transfer starts from a fresh player and no old target, and the two take turns to go
    // first, so that neither inherits the other's leftovers.
    auto timed = [&](const std::function<bool()>& transfer, bool& ok) {
        StartPlayer(throttled);
        if (direction == Direction::kDownload)
            ok = store() && ok;
        fs::remove(target);
        return Seconds(transfer, ok);
    };
    Best best;
    bool linkFirst = true;
    for (auto _ : state) {
        bool ok = true;
        double link = 0, raw = 0;
        if (linkFirst) {
            link = timed(viaLink, ok);
            raw = timed(viaRaw, ok);
        } else {
            raw = timed(viaRaw, ok);
            link = timed(viaLink, ok);
        }
        linkFirst = !linkFirst;
        if (!ok) {
            state.SkipWithError("transfer failed");
            break;
        }
        state.SetIterationTime(link);
        if (best.link == 0 || link < best.link)
            best.link = link;
        if (best.raw == 0 || raw < best.raw)
            best.raw = raw;
    }
    if (best.link == 0 || best.raw == 0)
        return;
    state.counters["link_MB/s"] = size / best.link / 1e6;
    state.counters["raw_MB/s"] = size / best.raw / 1e6;
    state.counters["link/raw"] = best.raw / best.link;
    results[Name(direction, size, throttled)] = best;
}

void Register() {
    for (bool throttled : {false, true}) {
        for (uint32_t size : {1u << 20, 16u << 20}) {
            for (Direction d : {Direction::kUpload, Direction::kDownload}) {
                auto* b = benchmark::RegisterBenchmark(
                    Name(d, size, throttled).c_str(),
                    [=](benchmark::State& s) { Run(s, d, size, throttled); });
                b->UseManualTime()->Unit(benchmark::kMillisecond);
                if (throttled) {
                    b->Iterations(1);
                } else {
                    b->Iterations(size > (1u << 20) ? 20 : 100);
                }
            }
        }
    }
}

void Summary() {
    std::printf("\n%-26s %10s %10s %9s %12s\n", "transfer", "link MB/s", "raw MB/s", "link/raw",
                "of the wire");
    for (const auto& [name, best] : results) {
        const double link = 1.0 / best.link, raw = 1.0 / best.raw;
        const uint32_t size = name.find("/16MB/") != std::string::npos ? 16u << 20 : 1u << 20;
        std::printf("%-26s %10.2f %10.2f %8.1f%%", name.c_str(), size * link / 1e6,
                    size * raw / 1e6, 100 * link / raw);
        if (name.find("wire") != std::string::npos) {
            std::printf(" %11.1f%%", 100 * size * link / kWireBytesPerSecond);
        }
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Never the user's player: a player in memory only.
    ::setenv("KIVO_PLAYER", "mem", 1);
    // The player in memory grows and frees a file's worth of memory per transfer; keeping that
    // memory in the heap spares both paths the page faults that otherwise swamp the comparison.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    WithoutFixedWaits clock(CurrentClock());
    SetClock(&clock);
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetClock(nullptr);
    Summary();
    fs::remove_all(WorkDir());
    return 0;
}
