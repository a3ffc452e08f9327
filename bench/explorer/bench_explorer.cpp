// The explorer's main window: the file list of a full player spread over both lists, and the
// program's start to the main window shown, on the offscreen platform against the embedded
// player.
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/ProgramStart.h"
#include "explorer/tests/mainfrm/test_packs.h"
#include "platform/ui/application.h"
#include "platform/win/clock.h"
#include "platform/win/process.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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

// A player holding the most files the lists show, put in through the driver's test hook.
bool FillPlayer() {
    void* parlink =
        ::dlopen((ProgramFolder() / lptctrl::kParlinkFile).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (parlink == nullptr)
        return false;
    auto reset = reinterpret_cast<void (*)()>(::dlsym(parlink, "PX_TestReset"));
    auto put = reinterpret_cast<uint32_t (*)(uint8_t, uint8_t, const char*, const void*, uint32_t)>(
        ::dlsym(parlink, "PX_TestPutFile"));
    if (reset == nullptr || put == nullptr)
        return false;
    reset();
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
    if (!FillPlayer() || lptctrl::Selector().PX_MemoryInfo() != 0) {
        state.SkipWithError("no player");
        SetClock(nullptr);
        return;
    }
    for (auto _ : state) {
        form.TempListView.Clear();
        if (lptctrl::Selector().PX_GetFileList(form.TempListView.handle()) != 0) {
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

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("KIVO_PLAYER", "mem", 1);
    ::setenv("KIVO_LANGID", "0409", 1);
    benchmark::Initialize(&argc, argv);
    kivo::ui::Application app(argc, argv);
    Packs packs;
    if (std::string error = lptctrl::Selector().Bind(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
