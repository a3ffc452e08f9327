#include "drivers/pxdll.h"
#include "link/exports/px_exports.h"
#include "link/testing/call_record.h"
#include "link/testing/sc4_recording.h"
#include "link/testing/sleep_log.h"
#include "platform/win/clock.h"
#include "platform/win/listview.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo::link::parport {
namespace {

using namespace kivo::link::testing;
using namespace kivo::test;

size_t Calls(const char* function) {
    return RecordedCount(function);
}

// parlink's exports against the embedded parallel-port player, on the virtual clock.
class ParlinkExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        PX_TestReset();
        PX_TestRecordCalls(1);
        PX_SetWindowHandle(nullptr);
        PX_ECPEmulation(0);
    }
    void TearDown() override {
        PX_TestRecordCalls(0);
        CheckAndResetPlayer();
    }
    std::string ListedName() {
        ListViewControl list;
        EXPECT_EQ(PX_GetFileList(list.handle()), 0);
        return list.RowCount() == 0 ? "" : list.Cell(list.RowCount() - 1, 0);
    }

    ScopedVirtualClock clock_;
    TempDir dir_;
};

TEST_F(ParlinkExportsTest, PreCheckTriesThreeTimesThenForgetsThePlayer) {
    Control("flash 1000");
    ASSERT_EQ(PX_MemoryInfo(), 0);
    ASSERT_EQ(PX_InternalTotalMemory(), 16896000);
    ASSERT_EQ(PX_GetFileList(ListViewControl().handle()), 0);
    ASSERT_STREQ(PX_GetPlayerVersion(), "01.30");

    Control("fault no-answer");
    PX_TestClearCalls();
    SleepLog clock;
    EXPECT_EQ(PX_MemoryInfo(), 12);
    EXPECT_EQ(Calls("PX_CreateFile"), 3u);
    // Each try waits out its 100 ms timeout; 500 ms before the second, 2000 ms before the third.
    EXPECT_EQ(clock.waits, (std::vector<uint32_t>{100, 500, 100, 2000, 100}));
    EXPECT_EQ(PX_InternalTotalMemory(), 0);
    EXPECT_EQ(PX_ExternalFreeMemory(), 0);
    EXPECT_STREQ(PX_GetPlayerVersion(), " ");
    // The play order is kept, and no operation ran.
    uint8_t order[250] = {5};
    EXPECT_EQ(PX_SetConfig(order), 12);
}

TEST_F(ParlinkExportsTest, CopyBothWaysThroughOneFunctionPerPair) {
    const auto source = dir_ / "song.mp3";
    WriteFile(source, Pattern(20000));
    ASSERT_EQ(PX_CopyToExternalMemory(source.c_str()), 0);
    ListViewControl list;
    ASSERT_EQ(PX_GetFileList(list.handle()), 0);
    ASSERT_EQ(list.RowCount(), 1);
    const int index = std::stoi(list.Cell(0, 3));
    EXPECT_EQ(&PX_CopyFromExternalMemory, &PX_CopyFromInternalMemory);
    EXPECT_EQ(&PX_DeleteFromExternalMemory, &PX_DeleteFromInternalMemory);
    const auto back = dir_ / "back.mp3";
    ASSERT_EQ(PX_CopyFromExternalMemory(index, back.c_str()), 0);
    EXPECT_EQ(ReadFile(back), Pattern(20000));
    ASSERT_EQ(PX_DeleteFromExternalMemory(index), 0);
    EXPECT_EQ(PX_CopyFromInternalMemory(index, back.c_str()), -1);
}

TEST_F(ParlinkExportsTest, EcpEmulationChoosesTheOpen) {
    EXPECT_EQ(PX_ECPEmulation(1), 0);
    ASSERT_EQ(PX_CheckStatus(), 0);
    EXPECT_EQ(Calls("PX_CreateFileEx"), 1u);
    EXPECT_EQ(Calls("PX_CreateFile"), 0u);
}

TEST_F(ParlinkExportsTest, CodePageCommandsSelectTheNamesOnTheWire) {
    const auto source = dir_ / "歌.mp3";
    WriteFile(source, Pattern(10));
    ASSERT_EQ(PX_CopyToInternalMemory(source.c_str()), 0);
    EXPECT_EQ(ListedName(), "_.mp3");

    Control("clear-transcript");
    ASSERT_EQ(PX_GB_Code(), 0);
    EXPECT_NE(Control("transcript").find("command 25"), std::string::npos);
    ASSERT_EQ(PX_CopyToInternalMemory(source.c_str()), 0);
    EXPECT_EQ(ListedName(), "歌.mp3");

    const auto big5 = dir_ / "電.mp3";
    WriteFile(big5, Pattern(10));
    ASSERT_EQ(PX_BIG5_Code(), 0);
    EXPECT_NE(Control("transcript").find("command 26"), std::string::npos);
    ASSERT_EQ(PX_CopyToInternalMemory(big5.c_str()), 0);
    EXPECT_EQ(ListedName(), "電.mp3");

    // No status check first: a player that cannot be reached fails the command at once.
    PX_TestClearCalls();
    PxFailure failure{};
    std::strcpy(failure.function, "PX_CreateFile");
    failure.occurrence = 1;
    failure.result = -1;
    failure.lastError = 3;
    PX_TestFailCall(&failure);
    EXPECT_EQ(PX_GB_Code(), 3);
    EXPECT_EQ(Calls("PX_CreateFile"), 1u);
}

// Records conversion progress; cancels at a chosen message.
class ConvertWindow : public Window {
public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kConvertProgressMessage)
            return 0;
        progress.push_back({static_cast<int>(lParam), static_cast<int>(wParam)});
        if (static_cast<int>(progress.size()) == cancelAt)
            PX_CancelWaveConvert();
        return 0;
    }
    std::vector<std::pair<int, int>> progress;
    int cancelAt = 0;
};

TEST_F(ParlinkExportsTest, VoiceConversionReportsItsPassAndStopsOnCancel) {
    const auto source = dir_ / "memo.wav";
    WriteFile(source, Sc4Recording());
    const auto target = dir_ / "memo-ts.wav";
    ConvertWindow window;
    PX_SetWindowHandle(window.handle());

    // A cancel before the conversion is forgotten when it starts.
    PX_CancelWaveConvert();
    ASSERT_EQ(PX_WaveConvert(source.c_str(), target.c_str()), 0);
    ASSERT_FALSE(window.progress.empty());
    EXPECT_EQ(window.progress.front().first, 1);
    EXPECT_EQ(window.progress.back(), (std::pair{2, 100}));
    EXPECT_EQ(std::count(window.progress.begin(), window.progress.end(), std::pair{1, 100}), 1);

    std::filesystem::remove(target);
    window.progress.clear();
    window.cancelAt = 2;
    EXPECT_EQ(PX_WaveConvert(source.c_str(), target.c_str()), -2);
    EXPECT_EQ(window.progress.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace kivo::link::parport
