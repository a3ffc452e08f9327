// The explorer's main window: the file list of a full player spread over both lists, the
// program's start to the main window shown, and 16 MB copied each way through the commands beside
// the bare link call, on the offscreen platform against the embedded player, unthrottled.
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/ProgramStart.h"
#include "explorer/tests/mainfrm/test_packs.h"
#include "platform/shell/testing/scripted_browse_dialog.h"
#include "platform/ui/application.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/win/clock.h"
#include "platform/win/msgbox.h"
#include "platform/win/process.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace kivo::explorer;

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFlashFiles = 125;
constexpr uint32_t kCardFiles = 124;

// The packs the window loads, written once into a folder of the benchmark's own.
struct Packs {
    Packs() {
        std::string pattern = (fs::temp_directory_path() / "kivo-bench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        TestPacks().WriteTo(folder);
        ::setenv("KIVO_PACK_DIR", folder.c_str(), 1);
        ::setenv("KIVO_REGISTRY_DIR", (folder / "registry").c_str(), 1);
    }
    ~Packs() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
};

// The parallel-port driver's test hooks.
struct PlayerHooks {
    PlayerHooks() {
        void* parlink = ::dlopen((ProgramFolder() / kivo::explorer::lptctrl::kParlinkFile).c_str(),
                                 RTLD_NOW | RTLD_LOCAL);
        if (parlink == nullptr)
            return;
        reset = reinterpret_cast<void (*)()>(::dlsym(parlink, "PX_TestReset"));
        put = reinterpret_cast<decltype(put)>(::dlsym(parlink, "PX_TestPutFile"));
    }
    bool ok() const { return reset != nullptr && put != nullptr; }
    void (*reset)() = nullptr;
    uint32_t (*put)(uint8_t, uint8_t, const char*, const void*, uint32_t) = nullptr;
};

// A player holding the most files the lists show, put in through the driver's test hook.
bool FillPlayer() {
    PlayerHooks hooks;
    if (!hooks.ok())
        return false;
    auto put = hooks.put;
    hooks.reset();
    std::vector<char> content(1024, 'x');
    for (uint32_t i = 0; i < kFlashFiles + kCardFiles; ++i) {
        std::string name = "song" + std::to_string(i) + (i % 3 == 0 ? ".sm3" : ".mp3");
        if (put(i < kFlashFiles ? 0 : 1, 1, name.c_str(), content.data(), 1024) == 0)
            return false;
    }
    return true;
}

void BM_FileListIntoBothLists(benchmark::State& state) {
    // The link's prescribed fixed waits pass at once: they are not the lists' cost.
    VirtualClock clock;
    SetClock(&clock);
    TMainFrm form;
    if (!FillPlayer() || kivo::explorer::lptctrl::Selector().PX_MemoryInfo() != 0) {
        state.SkipWithError("no player");
        SetClock(nullptr);
        return;
    }
    for (auto _ : state) {
        form.TempListView.Clear();
        if (kivo::explorer::lptctrl::Selector().PX_GetFileList(form.TempListView.handle()) != 0) {
            state.SkipWithError("file list failed");
            break;
        }
        form.FillFileLists();
    }
    if (form.listFlashMemory->control().RowCount() != static_cast<int>(kFlashFiles) ||
        form.listSmartMedia->control().RowCount() != static_cast<int>(kCardFiles))
        state.SkipWithError("lists incomplete");
    state.counters["files"] = kFlashFiles + kCardFiles;
    SetClock(nullptr);
}
BENCHMARK(BM_FileListIntoBothLists)->Unit(benchmark::kMillisecond);

// From the program's start (the main window, then the about box shown as the splash) to the
// main window shown by the message loop with everything painted.
void BM_StartToMainWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        std::optional<ExplorerWindows> windows = StartExplorer();
        if (!windows) {
            state.SkipWithError("a picture is missing");
            break;
        }
        QCoreApplication::processEvents();
        if (!windows->mainFrm->isVisible()) {
            state.SkipWithError("the main window did not show");
            break;
        }
        benchmark::DoNotOptimize(windows->mainFrm->grab());
    }
}
BENCHMARK(BM_StartToMainWindowShown)->Unit(benchmark::kMillisecond);

constexpr uint32_t kTransferBytes = 16 * 1024 * 1024;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Times one call.
template <typename F>
double Timed(F&& call) {
    auto start = std::chrono::steady_clock::now();
    call();
    return Seconds(std::chrono::steady_clock::now() - start);
}

// The same 16 MB each way through the bare link call (progress to no window), through the
// command with its progress going to no window (the question, the settings, the refresh), and
// through the command as the user runs it (with the progress messages, balls, rate and message
// processing), alternating, so that all three see the same machine. The time of an iteration is
// the command's; "overhead_%" is the command's cost over the link's alone, "feedback_%" the part
// of it that the progress display costs.
struct TransferBench {
    TransferBench() : folder(fs::temp_directory_path() / "kivo-bench-transfer") {
        fs::create_directories(folder / "pc");
        source = (folder / "song.mp3").string();
        std::ofstream(source, std::ios::binary) << std::string(kTransferBytes, '\x5A');
        SetClock(&clock);
        // Every question is answered Yes: the copy, the replacement of the last round's file.
        SetMessageBoxHook([](const MessageBoxRequest&) { return IDYES; });
        picker.Play([this](kivo::shell::ScriptedBrowseDialog&) {
            return kivo::shell::ScriptedBrowseDialog::Choose(
                kivo::shell::ItemIdList::FileSystem((folder / "pc").string()), "pc");
        });
        // Shown, as the user sees it: a hidden window paints nothing.
        form.show();
        QCoreApplication::processEvents();
    }
    ~TransferBench() {
        SetMessageBoxHook(nullptr);
        SetClock(nullptr);
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    const kivo::explorer::lptctrl::LinkSelector& link() const {
        return kivo::explorer::lptctrl::Selector();
    }
    void BareWindow() { link().PX_SetWindowHandle(nullptr); }
    void FormWindow() { link().PX_SetWindowHandle(form.handle()); }
    void Report(benchmark::State& state) {
        auto average = [](double seconds) {
            return benchmark::Counter(seconds * 1000, benchmark::Counter::kAvgIterations);
        };
        state.counters["link_ms"] = average(bare);
        state.counters["quiet_ms"] = average(quiet);
        state.counters["command_ms"] = average(command);
        state.counters["overhead_%"] = bare > 0 ? (command - bare) / bare * 100 : 0;
        state.counters["feedback_%"] = bare > 0 ? (command - quiet) / bare * 100 : 0;
        state.SetBytesProcessed(int64_t{kTransferBytes} * state.iterations());
    }

    fs::path folder;
    std::string source;
    VirtualClock clock;  // the link's prescribed waits are not the feedback's cost
    kivo::ui::ScriptedDialogs dialogs;
    kivo::shell::ScriptedBrowseDialog picker;
    TMainFrm form;
    PlayerHooks hooks;
    double bare = 0, quiet = 0, command = 0;  // seconds
};

void BM_Upload16MB(benchmark::State& state) {
    TransferBench bench;
    // The command from an empty player, its progress to the given window.
    auto copy = [&bench](bool withWindow) {
        bench.hooks.reset();
        withWindow ? bench.FormWindow() : bench.BareWindow();
        bench.form.Connect1Click();
        bench.dialogs.AnswerOpen({bench.source});
        double once = Timed([&] { bench.form.CopyToFlashMemoryClick(); });
        return bench.form.listFlashMemory->control().RowCount() == 1 ? once : -1;
    };
    for (auto _ : state) {
        bench.hooks.reset();
        bench.BareWindow();
        int16_t status = 0;
        bench.bare +=
            Timed([&] { status = bench.link().PX_CopyToInternalMemory(bench.source.c_str()); });
        double quiet = copy(false), once = copy(true);
        if (status != 0 || quiet < 0 || once < 0) {
            state.SkipWithError("the copy failed");
            break;
        }
        bench.quiet += quiet;
        bench.command += once;
        state.SetIterationTime(once);
    }
    bench.Report(state);
}
BENCHMARK(BM_Upload16MB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_Download16MB(benchmark::State& state) {
    TransferBench bench;
    bench.hooks.reset();
    std::string bytes(kTransferBytes, '\x3C');
    uint32_t index = bench.hooks.put(0, 1, "song.mp3", bytes.data(), kTransferBytes);
    bench.FormWindow();
    bench.form.Connect1Click();
    const std::string bareTarget = (bench.folder / "bare.mp3").string();
    // The command over last round's file, its progress to the given window.
    auto copy = [&bench](bool withWindow) {
        withWindow ? bench.FormWindow() : bench.BareWindow();
        bench.form.listFlashMemory->SetRowSelected(0, true);
        double once = Timed([&] { bench.form.PC1Click(); });
        return fs::file_size(bench.folder / "pc" / "song.mp3") == kTransferBytes ? once : -1;
    };
    for (auto _ : state) {
        bench.BareWindow();
        int16_t status = 0;
        bench.bare += Timed([&] {
            status = bench.link().PX_CopyFromInternalMemory(static_cast<int32_t>(index),
                                                            bareTarget.c_str());
        });
        double quiet = copy(false), once = copy(true);
        if (status != 0 || quiet < 0 || once < 0) {
            state.SkipWithError("the copy failed");
            break;
        }
        bench.quiet += quiet;
        bench.command += once;
        state.SetIterationTime(once);
    }
    bench.Report(state);
}
BENCHMARK(BM_Download16MB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// The display alone: the messages a 16 MB copy to the PC sends to the shown window, one per
// block of 16368 and then 16888 bytes, with the rate moving; per block, no link behind them.
void BM_ProgressDisplay16MB(benchmark::State& state) {
    TransferBench bench;
    const HWND window = bench.form.handle();
    int64_t blocks = 0;
    double seconds = 0;
    for (auto _ : state) {
        seconds += Timed([&] {
            SendMessageA(window, kTransferStartMessage, kTransferBytes, 0);
            for (uint32_t done = 16368; done < kTransferBytes + 16888; done += 16888) {
                bench.clock.Advance(1);
                SendMessageA(window, kTransferProgressMessage, std::min(done, kTransferBytes), 0);
                ++blocks;
            }
        });
        bench.form.ResetProgress();
    }
    state.counters["us_per_block"] = blocks > 0 ? seconds * 1e6 / static_cast<double>(blocks) : 0;
}
BENCHMARK(BM_ProgressDisplay16MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("KIVO_PLAYER", "mem", 1);
    ::setenv("KIVO_LANGID", "0409", 1);
    benchmark::Initialize(&argc, argv);
    kivo::ui::Application app(argc, argv);
    Packs packs;
    if (std::string error = kivo::explorer::lptctrl::Selector().Bind(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
