// Both link libraries in one process, loaded in local scope as the explorer loads them.
#include "drivers/types.h"
#include "explorer/LPTCtrl.h"
#include "link/testing/sc4_recording.h"
#include "platform/win/clock.h"
#include "platform/win/listview.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

namespace kivo::link {
namespace {

using namespace kivo::link::testing;
using namespace kivo::test;

// One library's handle and the functions the test reaches in it or its driver.
struct Loaded {
    explicit Loaded(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        EXPECT_NE(handle, nullptr) << dlerror();
        Bind(reset, "PX_TestReset");
        Bind(control, "PX_TestControl");
        Bind(record, "PX_TestRecordCalls");
        Bind(callCount, "PX_TestCallCount");
        Bind(version, "PX_GetPlayerVersion");
        Bind(memoryInfo, "PX_MemoryInfo");
        Bind(internalTotal, "PX_InternalTotalMemory");
        Bind(fileList, "PX_GetFileList");
        Bind(copyTo, "PX_CopyToInternalMemory");
        Bind(phoneBook, "PX_PhoneBookIndex");
    }
    ~Loaded() { dlclose(handle); }
    template <class F>
    void Bind(F*& function, const std::string& name) {
        function = reinterpret_cast<F*>(dlsym(handle, name.c_str()));
        ASSERT_NE(function, nullptr) << name;
    }
    std::string Control(const std::string& line) const {
        char reply[256] = {};
        EXPECT_EQ(control(line.c_str(), reply, sizeof reply), 0u) << line;
        return reply;
    }

    void* handle;
    void (*reset)() = nullptr;
    uint32_t (*control)(const char*, char*, uint32_t) = nullptr;
    void (*record)(int32_t) = nullptr;
    uint32_t (*callCount)() = nullptr;
    const char* (*version)() = nullptr;
    int16_t (*memoryInfo)() = nullptr;
    int64_t (*internalTotal)() = nullptr;
    int16_t (*fileList)(HWND) = nullptr;
    int16_t (*copyTo)(const char*) = nullptr;
    int16_t (*phoneBook)() = nullptr;
};

class TwoLibrariesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (Loaded* l : {&par_, &bus_}) {
            l->reset();
            l->record(1);
        }
        par_.Control("version 0 1 2 0");
        par_.Control("flash 1000");
        bus_.Control("version 0 2 0 0");
        bus_.Control("flash 2000");
    }
    void TearDown() override {
        for (Loaded* l : {&par_, &bus_}) {
            l->record(0);
            EXPECT_EQ(l->Control("violations"), "0\n") << "the link gave its player cause";
            l->reset();
        }
    }
    static int Rows(const Loaded& l) {
        ListViewControl list;
        EXPECT_EQ(l.fileList(list.handle()), 0);
        return list.RowCount();
    }

    ScopedVirtualClock clock_;
    TempDir dir_;
    Loaded par_{PARLINK_PATH};
    Loaded bus_{BUSLINK_PATH};
};

TEST_F(TwoLibrariesTest, EachReachesItsOwnDriverAndKeepsItsOwnState) {
    const uint32_t parCalls = par_.callCount();
    const uint32_t busCalls = bus_.callCount();
    ASSERT_EQ(par_.memoryInfo(), 0);
    EXPECT_GT(par_.callCount(), parCalls);
    EXPECT_EQ(bus_.callCount(), busCalls);
    EXPECT_EQ(par_.internalTotal(), 1000 * 16896);
    EXPECT_EQ(bus_.internalTotal(), 0);

    const uint32_t parAfter = par_.callCount();
    ASSERT_EQ(bus_.memoryInfo(), 0);
    EXPECT_EQ(par_.callCount(), parAfter);
    EXPECT_EQ(bus_.internalTotal(), 2000 * 16896);
    EXPECT_EQ(par_.internalTotal(), 1000 * 16896);

    const auto song = dir_ / "song.mp3";
    WriteFile(song, Pattern(100));
    const auto book = dir_ / "book.tel";
    WriteFile(book, Pattern(10));
    ASSERT_EQ(par_.copyTo(song.c_str()), 0);
    ASSERT_EQ(bus_.copyTo(book.c_str()), 0);
    EXPECT_EQ(Rows(par_), 1);
    EXPECT_EQ(Rows(bus_), 1);
    EXPECT_STREQ(par_.version(), "01.20");
    EXPECT_STREQ(bus_.version(), "02.00");
    EXPECT_EQ(par_.phoneBook(), -1);
    EXPECT_GT(bus_.phoneBook(), 0);
    EXPECT_NE(par_.version(), bus_.version());
}

// Records the progress messages of both libraries.
class ProgressWindow : public Window {
public:
    LRESULT HandleMessage(UINT message, WPARAM, LPARAM lParam) override {
        if (message == kConvertProgressMessage)
            lastPass = static_cast<int>(lParam);
        if (message == kTransferStartMessage)
            ++starts;
        return 0;
    }
    int lastPass = -1;
    int starts = 0;
};

TEST_F(TwoLibrariesTest, TheSelectorForwardsByPortKind) {
    kivo::explorer::lptctrl::LinkSelector selector;
    ASSERT_EQ(selector.Bind(PARLINK_PATH, BUSLINK_PATH), "");
    ASSERT_EQ(Rows(par_), 0);
    ASSERT_EQ(Rows(bus_), 0);

    EXPECT_STREQ(selector.PX_GetPlayerVersion(), "01.20");
    selector.SetPortKind(1);
    EXPECT_STREQ(selector.PX_GetPlayerVersion(), "02.00");
    ASSERT_EQ(selector.PX_MemoryInfo(), 0);
    EXPECT_EQ(selector.PX_InternalTotalMemory(), 2000 * 16896);

    // Under USB the parlink-only functions call nothing.
    const uint32_t parCalls = par_.callCount();
    EXPECT_EQ(selector.PX_ECPEmulation(1), 0);
    EXPECT_EQ(selector.PX_GB_Code(), -120);
    EXPECT_EQ(selector.PX_BIG5_Code(), -120);
    EXPECT_EQ(par_.callCount(), parCalls);

    // Both libraries get the window; a transfer through buslink and a conversion through
    // parlink both reach it.
    ProgressWindow window;
    EXPECT_EQ(selector.PX_SetWindowHandle(window.handle()), 0);
    const auto song = dir_ / "song.mp3";
    WriteFile(song, Pattern(100));
    ASSERT_EQ(selector.PX_CopyToInternalMemory(song.c_str()), 0);
    EXPECT_EQ(window.starts, 1);
    EXPECT_EQ(Rows(bus_), 1);
    EXPECT_EQ(Rows(par_), 0);
    // parlink's progress carries the pass; buslink's would carry 0.
    const auto memo = dir_ / "memo.wav";
    WriteFile(memo, Sc4Recording());
    ASSERT_EQ(selector.PX_WaveConvert(memo.c_str(), (dir_ / "out.wav").c_str()), 0);
    EXPECT_EQ(window.lastPass, 2);

    selector.SetPortKind(2);
    EXPECT_EQ(selector.PX_MemoryInfo(), -120);
    EXPECT_EQ(selector.PX_InternalTotalMemory(), 0);
    EXPECT_STREQ(selector.PX_GetPlayerVersion(), "");
    EXPECT_EQ(selector.PX_PhoneBookIndex(), -120);

    selector.SetPortKind(0);
    ASSERT_EQ(selector.PX_MemoryInfo(), 0);
    EXPECT_EQ(selector.PX_InternalTotalMemory(), 1000 * 16896);
    EXPECT_STREQ(selector.PX_GetPlayerVersion(), "01.20");
}

}  // namespace
}  // namespace kivo::link
