// Upload, download and the file list through parlink and buslink, each over its own embedded
// simulated player, beside the same driver calls made directly (the raw channel), unthrottled
// and on each link's wire speed.
#include "bench/link/link_stack.h"
#include "bench/link/raw_transfers.h"
#include "platform/win/clock.h"
#include "platform/win/listview.h"

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
#include <string>
#include <vector>

namespace {

using namespace kivo;
using bench::LinkStack;
namespace fs = std::filesystem;

constexpr uint32_t kParallelWireBytesPerSecond = 600 * 1024;
constexpr uint32_t kUsbWireBytesPerSecond = 1000 * 1000;
// parlink's prescribed lead before the version that opens the file list; the upload's fixed
// waits are those of the raw path (raw_transfers.h).
constexpr uint32_t kVersionLeadWaitMs = 100;
constexpr uint8_t kFileType = 1;
constexpr uint32_t kListedFiles = 249;
constexpr uint32_t kListedFileBytes = 1024;
// Each memory holds at most this many files: the list spans the internal memory and the card.
constexpr uint32_t kFilesPerMemory = 125;

enum class Direction { kUpload, kDownload };

// The real clock, less the links' prescribed fixed waits: the benchmark measures the stack and
// the wire, not the waits. The clock jumps over them, so the player still sees them kept.
// The player's wire waits (a few ms per block, never these) still pass.
class WithoutFixedWaits : public Clock {
public:
    explicit WithoutFixedWaits(Clock& real) : real_(real) {}
    void Sleep(uint32_t ms) override {
        if (ms != bench::kAfterMemoryTypeMs && ms != kVersionLeadWaitMs &&
            ms != bench::kUsbAfterBlockMs)
            real_.Sleep(ms);
        else
            skipped_ += ms;
    }
    uint64_t Ticks() override { return real_.Ticks() + skipped_; }
    double Now() override { return real_.Now(); }

private:
    Clock& real_;
    uint64_t skipped_ = 0;
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

std::string WireName(const LinkStack& stack) {
    const uint32_t bytes = stack.wireBytesPerSecond;
    return bytes % (1000 * 1000) == 0 ? "wire" + std::to_string(bytes / (1000 * 1000)) + "MB"
                                      : "wire" + std::to_string(bytes / 1024) + "KB";
}

std::string Name(const LinkStack& stack, Direction d, uint32_t size, bool throttled) {
    return stack.name + "/" + (d == Direction::kUpload ? "upload" : "download") + "/" +
           std::to_string(size >> 20) + "MB/" + (throttled ? WireName(stack) : "unthrottled");
}

struct Best {
    uint32_t size = 0;
    uint32_t wireBytesPerSecond = 0;
    double link = 0;
    double raw = 0;
};
std::map<std::string, Best> results;
std::map<std::string, double> fileLists;

double Seconds(const std::function<bool()>& transfer, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = transfer() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration moves the file through the library and through the raw channel, one right
// after the other, so that both see the same load on a shared machine; the best of each counts.
void Run(benchmark::State& state, const LinkStack& stack, Direction direction, uint32_t size,
         bool throttled) {
    const auto content = Content(size);
    const fs::path source = SourceFile(size);
    const fs::path target = WorkDir() / "target.mp3";
    uint8_t stored = 0;
    auto store = [&] {
        stored =
            static_cast<uint8_t>(stack.putFile(0, kFileType, "song.mp3", content.data(), size));
        return stored != 0;
    };
    auto viaLink = [&] {
        return direction == Direction::kUpload ? stack.copyTo(source.c_str()) == 0
                                               : stack.copyFrom(stored, target.c_str()) == 0;
    };
    auto viaRaw = [&] {
        return direction == Direction::kUpload ? bench::RawUpload(stack, source)
                                               : bench::RawDownload(stack, stored, target);
    };
    // Each transfer starts from a fresh player and no old target, and the two take turns to go
    // first, so that neither inherits the other's leftovers.
    auto timed = [&](const std::function<bool()>& transfer, bool& ok) {
        stack.StartPlayer(throttled);
        if (direction == Direction::kDownload)
            ok = store() && ok;
        fs::remove(target);
        return Seconds(transfer, ok);
    };
    Best best{size, throttled ? stack.wireBytesPerSecond : 0};
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
    results[Name(stack, direction, size, throttled)] = best;
}

// The file list of a full player, read into a fresh list view each time.
void RunFileList(benchmark::State& state, const LinkStack& stack) {
    stack.StartPlayer(false);
    const auto content = Content(kListedFileBytes);
    for (uint32_t i = 0; i < kListedFiles; ++i) {
        const std::string name = "song" + std::to_string(i) + ".mp3";
        if (stack.putFile(i < kFilesPerMemory ? 0 : 1, kFileType, name.c_str(), content.data(),
                          kListedFileBytes) == 0) {
            state.SkipWithError("player full");
            return;
        }
    }
    double best = 0;
    for (auto _ : state) {
        ListViewControl list;
        bool ok = true;
        const double seconds = Seconds(
            [&] { return stack.fileList(list.handle()) == 0 && list.RowCount() == kListedFiles; },
            ok);
        if (!ok) {
            state.SkipWithError("file list failed");
            break;
        }
        state.SetIterationTime(seconds);
        if (best == 0 || seconds < best)
            best = seconds;
    }
    if (best != 0)
        fileLists[stack.name] = best;
}

void Register(const LinkStack& stack) {
    for (bool throttled : {false, true}) {
        for (uint32_t size : {1u << 20, 16u << 20}) {
            for (Direction d : {Direction::kUpload, Direction::kDownload}) {
                auto* b = benchmark::RegisterBenchmark(
                    Name(stack, d, size, throttled).c_str(),
                    [=, &stack](benchmark::State& s) { Run(s, stack, d, size, throttled); });
                b->UseManualTime()->Unit(benchmark::kMillisecond);
                if (throttled) {
                    b->Iterations(1);
                } else {
                    b->Iterations(size > (1u << 20) ? 10 : 40);
                }
            }
        }
    }
    auto* list = benchmark::RegisterBenchmark(
        (stack.name + "/filelist/" + std::to_string(kListedFiles) + "files").c_str(),
        [&stack](benchmark::State& s) { RunFileList(s, stack); });
    list->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
}

void Summary() {
    std::printf("\n%-36s %10s %10s %9s %12s\n", "transfer", "link MB/s", "raw MB/s", "link/raw",
                "of the wire");
    for (const auto& [name, best] : results) {
        const double link = best.size / best.link, raw = best.size / best.raw;
        std::printf("%-36s %10.2f %10.2f %8.1f%%", name.c_str(), link / 1e6, raw / 1e6,
                    100 * link / raw);
        if (best.wireBytesPerSecond != 0)
            std::printf(" %11.1f%%", 100 * link / best.wireBytesPerSecond);
        std::printf("\n");
    }
    std::printf("\n%-36s %10s\n",
                ("file list of " + std::to_string(kListedFiles) + " files").c_str(), "ms");
    for (const auto& [name, seconds] : fileLists)
        std::printf("%-36s %10.2f\n", name.c_str(), seconds * 1e3);
}

// A run stays well under a minute: the 16 MB transfers on the throttled wire take half a
// minute each and run only when asked for by name.
std::vector<char*> WithDefaultFilter(int argc, char** argv) {
    static char filter[] = "--benchmark_filter=-/16MB/wire";
    std::vector<char*> args(argv, argv + argc);
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]).starts_with("--benchmark_filter"))
            return args;
    }
    args.push_back(filter);
    return args;
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
    {
        const LinkStack parlink("parlink", kParallelWireBytesPerSecond);
        const LinkStack buslink("buslink", kUsbWireBytesPerSecond);
        Register(parlink);
        Register(buslink);
        auto args = WithDefaultFilter(argc, argv);
        int count = static_cast<int>(args.size());
        benchmark::Initialize(&count, args.data());
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    SetClock(nullptr);
    Summary();
    fs::remove_all(WorkDir());
    return 0;
}
