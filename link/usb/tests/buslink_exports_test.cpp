#include "link/exports/px_exports.h"
#include "link/testing/sc4_recording.h"
#include "link/testing/sleep_log.h"
#include "link/usb/tests/pxapi_record.h"
#include "platform/win/clock.h"
#include "platform/win/listview.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kivo::link {
namespace {

using namespace kivo::link::testing;
using namespace kivo::test;

// Before any other case: what the library holds as it is loaded.
TEST(BuslinkLoadTest, StartsWithNothingKnown) {
    EXPECT_STREQ(PX_GetPlayerVersion(), "");
    EXPECT_EQ(PX_PhoneBookIndex(), 0);
    EXPECT_EQ(PX_InternalTotalMemory(), 0);
}

size_t Count(const std::string& text, const std::string& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

// buslink's exports against the embedded USB player, on the virtual clock.
class BuslinkExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        PX_TestReset();
        PX_SetWindowHandle(nullptr);
    }
    void TearDown() override {
        PX_TestRecordCalls(0);
        CheckAndResetPlayer();
    }
    std::string Source(const std::string& name, size_t size) {
        const auto path = dir_ / name;
        WriteFile(path, Pattern(size));
        return path.string();
    }
    // Lists the player; the rows by name.
    std::vector<std::string> Names() {
        ListViewControl list;
        EXPECT_EQ(PX_GetFileList(list.handle()), 0);
        std::vector<std::string> names;
        for (int row = 0; row < list.RowCount(); ++row)
            names.push_back(list.Cell(row, 0) + "#" + list.Cell(row, 3));
        return names;
    }
    static std::vector<uint8_t> PlayerFile(uint8_t index) {
        std::vector<uint8_t> content(1 << 16);
        uint32_t size = 0;
        if (!PX_TestGetFile(index, content.data(), static_cast<uint32_t>(content.size()), &size))
            return {};
        content.resize(size);
        return content;
    }

    ScopedVirtualClock clock_;
    TempDir dir_;
};

TEST_F(BuslinkExportsTest, StatusCheckTriesTwiceThenForgetsThePlayer) {
    PxapiControl("flash 1000");
    ASSERT_EQ(PX_MemoryInfo(), 0);
    ASSERT_EQ(PX_GetFileList(ListViewControl().handle()), 0);
    ASSERT_STREQ(PX_GetPlayerVersion(), "01.30");
    EXPECT_EQ(PX_CheckStatus(), 0);

    PxapiControl("fault no-answer");
    PX_TestRecordCalls(1);
    SleepLog clock;
    EXPECT_EQ(PX_CheckStatus(), 12);
    EXPECT_EQ(PxapiCount("PX_CreateFile"), 2u);
    // Each try waits out its 1000 ms reply timeout, with 500 ms between the two.
    EXPECT_EQ(clock.waits, (std::vector<uint32_t>{1000, 500, 1000}));
    EXPECT_EQ(PX_InternalTotalMemory(), 0);
    EXPECT_EQ(PX_InternalFreeMemory(), 0);
    EXPECT_EQ(PX_ExternalTotalMemory(), 0);
    EXPECT_EQ(PX_ExternalFreeMemory(), 0);
    EXPECT_STREQ(PX_GetPlayerVersion(), " ");
}

TEST_F(BuslinkExportsTest, ExportsGoStraightToTheirOperation) {
    PX_TestRecordCalls(1);
    PxapiControl("flash 1000");
    ASSERT_EQ(PX_MemoryInfo(), 0);
    // One exchange: no status check before it.
    EXPECT_EQ(PxapiCount("PX_CreateFile"), 1u);
    EXPECT_EQ(PX_InternalTotalMemory(), 16896000);
    EXPECT_EQ(PX_InternalFreeMemory(), 16896000);
    EXPECT_GT(PX_ExternalTotalMemory(), 0);
    EXPECT_EQ(PX_ExternalFreeMemory(), PX_ExternalTotalMemory());
}

TEST_F(BuslinkExportsTest, CopyListDeleteAndPlayOrder) {
    ASSERT_EQ(PX_CopyToInternalMemory(Source("song.mp3", 40000).c_str()), 0);
    ASSERT_EQ(PX_CopyToExternalMemory(Source("book.tel", 100).c_str()), 0);
    EXPECT_EQ(PX_CopyToInternalMemory((dir_ / "missing.mp3").c_str()), -115);
    EXPECT_EQ(PX_CopyToInternalMemory(nullptr), -115);

    ListViewControl list;
    ASSERT_EQ(PX_GetFileList(list.handle()), 0);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, 0), "song.mp3");
    EXPECT_EQ(list.Cell(0, 4), "0");
    EXPECT_EQ(list.Cell(1, 0), "book.tel");
    const int song = std::stoi(list.Cell(0, 3));
    const int book = std::stoi(list.Cell(1, 3));
    EXPECT_EQ(PX_PhoneBookIndex(), book);

    // One function under both names.
    EXPECT_EQ(&PX_CopyFromExternalMemory, &PX_CopyFromInternalMemory);
    EXPECT_EQ(&PX_DeleteFromExternalMemory, &PX_DeleteFromInternalMemory);
    const auto back = dir_ / "back.mp3";
    ASSERT_EQ(PX_CopyFromExternalMemory(song, back.c_str()), 0);
    EXPECT_EQ(ReadFile(back), Pattern(40000));
    // The low byte of the index names the file.
    ASSERT_EQ(PX_CopyFromInternalMemory(book + 0x300, back.c_str()), 0);
    EXPECT_EQ(ReadFile(back), Pattern(100));

    const uint64_t before = clock_->Ticks();
    ASSERT_EQ(PX_DeleteFromInternalMemory(book), 0);
    EXPECT_GE(clock_->Ticks() - before, 10400u);
    EXPECT_EQ(PX_CopyFromInternalMemory(book, back.c_str()), -1);

    uint8_t order[250] = {};
    order[0] = static_cast<uint8_t>(song);
    order[1] = 77;
    ASSERT_EQ(PX_SetConfig(order), 0);
    const auto config = PlayerFile(2);
    ASSERT_EQ(config.size(), 260u);
    EXPECT_EQ(config[0], song);
    EXPECT_EQ(config[1], 77);
    EXPECT_EQ(PX_SetConfig(nullptr), -1);
}

TEST_F(BuslinkExportsTest, FormatInternalMemoryWritesTheSystemFiles) {
    ASSERT_EQ(PX_CopyToInternalMemory(Source("song.mp3", 100).c_str()), 0);
    struct Case {
        const char* version;
        size_t encoder, decoder;
    };
    for (const Case& c : {Case{"0 1 2 0", 4912, 5100}, Case{"0 2 0 0", 8256, 8588}}) {
        PxapiControl(std::string("version ") + c.version);
        ASSERT_EQ(PX_GetFileList(ListViewControl().handle()), 0);
        SleepLog clock;
        ASSERT_EQ(PX_FormatInternalMemory("KIVO"), 0) << c.version;
        // The initialise, then the deletes of serial.dat and both images.
        EXPECT_EQ(clock.waits, (std::vector<uint32_t>{20000, 10400, 10400, 10400})) << c.version;
        EXPECT_EQ(PlayerFile(1), (std::vector<uint8_t>{'K', 'I', 'V', 'O', 0, 0, 0, 0}));
        EXPECT_EQ(PlayerFile(3).size(), c.encoder) << c.version;
        EXPECT_EQ(PlayerFile(4).size(), c.decoder) << c.version;
        // The song is gone; the system files are all the memory holds.
        EXPECT_EQ(Names(),
                  (std::vector<std::string>{"serial.dat#1", "encode.mas#3", "decode.mas#4"}))
            << c.version;
    }
    EXPECT_EQ(PX_FormatInternalMemory(nullptr), -1);
}

TEST_F(BuslinkExportsTest, FormatExternalMemoryFormatsTheCardFromVersion0130) {
    ScopedCurrentDir here(dir_.path());
    struct Case {
        const char* version;  // nullptr: a failed status check left " "
        const char* card;
        size_t cardFormats;
        int16_t result;  // the card format's own, once it ran
    };
    const Case cases[] = {
        {nullptr, "card EC 75", 0, 0},   {"0 1 2 0", "card EC 75", 0, 0},
        {"0 1 3 0", "card EC 75", 1, 0}, {"0 2 0 0", "card EC 75", 1, 0},
        {"0 1 3 0", "card none", 1, -1},
    };
    for (const auto& c : cases) {
        CheckAndResetPlayer();
        PxapiControl(c.card);
        if (c.version) {
            PxapiControl(std::string("version ") + c.version);
            ASSERT_EQ(PX_GetFileList(ListViewControl().handle()), 0);
        } else {
            PxapiControl("fault no-answer");
            ASSERT_NE(PX_CheckStatus(), 0);
            PxapiControl("fault none");
        }
        // Without a card the player stores nothing and the copy fails.
        const bool noCard = std::string(c.card) == "card none";
        ASSERT_EQ(PX_CopyToExternalMemory(Source("card.mp3", 100).c_str()), noCard ? -1 : 0);
        PxapiControl("clear-transcript");
        EXPECT_EQ(PX_FormatExternalMemory(), c.result) << c.version;
        const std::string transcript = PxapiControl("transcript");
        EXPECT_EQ(Count(transcript, "command 6\n"), 1u) << c.version;
        EXPECT_EQ(Count(transcript, "command 32\n"), c.cardFormats) << c.version;
        EXPECT_EQ(Count(transcript, "card formatted"), noCard ? 0u : c.cardFormats);
        EXPECT_FALSE(std::filesystem::exists(dir_ / "header.dat")) << c.version;
        EXPECT_EQ(Names(), std::vector<std::string>{}) << c.version;
    }
    PxapiControl("card none");
    EXPECT_EQ(PX_SMCFormat(), -1);
}

// Records the conversion progress sent to it.
class ConvertWindow : public Window {
public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kConvertProgressMessage)
            progress.push_back({static_cast<int>(wParam), static_cast<int>(lParam)});
        return 0;
    }
    std::vector<std::pair<int, int>> progress;
};

TEST_F(BuslinkExportsTest, VoiceConversionSendsPercentOnlyAndCannotBeStopped) {
    const auto source = dir_ / "memo.wav";
    WriteFile(source, Sc4Recording());
    ConvertWindow window;
    PX_SetWindowHandle(window.handle());
    const auto target = dir_ / "memo-ts.wav";
    EXPECT_EQ(PX_WaveConvert(source.c_str(), target.c_str()), 0);
    ASSERT_FALSE(window.progress.empty());
    EXPECT_TRUE(std::all_of(window.progress.begin(), window.progress.end(),
                            [](auto p) { return p.second == 0; }));
    // Both passes run to 100: nothing the window does can stop them.
    EXPECT_EQ(std::count(window.progress.begin(), window.progress.end(), std::pair{100, 0}), 2);
    EXPECT_TRUE(std::filesystem::exists(target));
}

}  // namespace
}  // namespace kivo::link
