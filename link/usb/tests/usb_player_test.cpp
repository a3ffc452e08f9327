#include "link/common/memory_ops.h"
#include "link/common/system_files.h"
#include "link/common/upload.h"
#include "link/testing/sleep_log.h"
#include "link/usb/download.h"
#include "link/usb/file_list.h"
#include "link/usb/memory_info.h"
#include "link/usb/tests/pxapi_record.h"
#include "link/usb/usb_link.h"
#include "link/usb/version_config.h"
#include "platform/win/clock.h"
#include "platform/win/listview.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo::link::usb {
namespace {

using namespace kivo::link::testing;
using namespace kivo::test;
using Names = std::vector<std::string>;

// buslink's operations through PXAPI's call record and the embedded USB player.
class BuslinkPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        PX_TestReset();
        PX_TestRecordCalls(1);
    }
    void TearDown() override {
        PX_TestRecordCalls(0);
        CheckAndResetPlayer();
    }
    static uint8_t PutFile(uint8_t memory, uint8_t type, const std::string& name, size_t size) {
        const auto content = Pattern(size);
        return PutContent(memory, type, name, content);
    }
    static uint8_t PutContent(uint8_t memory, uint8_t type, const std::string& name,
                              const std::vector<uint8_t>& content) {
        return static_cast<uint8_t>(PX_TestPutFile(memory, type, name.c_str(), content.data(),
                                                   static_cast<uint32_t>(content.size())));
    }

    ScopedVirtualClock clock_;
    TempDir dir_;
    UsbLink u_;
};

TEST_F(BuslinkPlayerTest, OpenNeedsNoPortAndAFailedOpenCallsNothingMore) {
    EXPECT_EQ(CheckDeviceStatus(u_.link), 0);
    EXPECT_EQ(PxapiCallNames(), (Names{"PX_CreateFile", "PX_SetTimeOut", "PX_WriteFile",
                                       "PX_SetTimeOut", "PX_ReadFile", "PX_CloseHandle"}));
    const auto calls = PxapiCalls();
    EXPECT_STREQ(calls[0].name, "LPT1");
    EXPECT_EQ(calls[0].args[1], 0xC0000000);
    EXPECT_EQ(calls[0].args[4], 3);
    EXPECT_EQ(calls[0].args[5], 0x20000004);
    // The status reply is waited for longer than the command's 100 ms.
    EXPECT_EQ(calls[1].args[0], 100);
    EXPECT_EQ(calls[3].args[0], 1000);

    PX_TestClearCalls();
    PxapiFail("PX_CreateFile", 1, -1, 3);
    EXPECT_EQ(CheckDeviceStatus(u_.link), 3);
    EXPECT_EQ(PxapiCallNames(), (Names{"PX_CreateFile"}));
}

TEST_F(BuslinkPlayerTest, FailedTransfersCloseOnceAndGiveTheirStatus) {
    struct Case {
        const char* function;
        uint32_t occurrence;
        int64_t result;
        uint32_t done;
        LinkStatus status;
    };
    const Case cases[] = {
        {"PX_WriteFile", 1, 0, 0, 18},   // the command byte fails: the last error, not 19
        {"PX_WriteFile", 2, 1, 0, 19},   // the index is written short
        {"PX_ReadFile", 1, 0, 0, 18},    // the reply fails
        {"PX_ReadFile", 1, 1, 100, 20},  // the reply comes short
    };
    for (const auto& c : cases) {
        CheckAndResetPlayer();
        PX_TestRecordCalls(1);
        PxapiFail(c.function, c.occurrence, c.result, 18, c.done);
        EXPECT_EQ(DownloadFile(u_.link, 6, (dir_ / "x").c_str()), c.status) << c.function;
        EXPECT_EQ(PxapiCount("PX_CloseHandle"), 1u) << c.function;
        EXPECT_EQ(PxapiCallNames().back(), "PX_CloseHandle") << c.function;
    }
}

TEST_F(BuslinkPlayerTest, AnExchangeThatWorkedIgnoresAFailingClose) {
    PxapiFail("PX_CloseHandle", 1, 0, 6);
    EXPECT_EQ(CheckDeviceStatus(u_.link), 0);
}

TEST_F(BuslinkPlayerTest, ReadsAreCutIntoWholePacketsAndARest) {
    PxapiControl("version 0 2 0 0");
    u_.state.ConfigArea[0] = 99;
    ASSERT_EQ(ReadVersionAndConfig(u_.link), 0);
    EXPECT_EQ(PxapiReads(), (Names{"256/1", "4/0"}));
    EXPECT_STREQ(u_.state.PlayerVersionText.data(), "02.00");
    EXPECT_EQ(u_.state.ConfigArea[0], 0);
    EXPECT_EQ(u_.state.PlayOrderCount, 0);

    uint32_t done = 7;
    uint8_t byte = 0;
    PX_TestClearCalls();
    EXPECT_EQ(u_.channel.ReadField(&byte, 0, done, kLastRead), 0);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(PX_TestCallCount(), 0u);
}

TEST_F(BuslinkPlayerTest, AShortVersionReplyChangesNothing) {
    PxapiControl("fault short-read config");
    u_.state.ConfigArea[0] = 9;
    u_.state.PlayOrderCount = 1;
    std::snprintf(u_.state.PlayerVersionText.data(), 18, "01.20");
    EXPECT_EQ(ReadVersionAndConfig(u_.link), 20);
    EXPECT_EQ(u_.state.ConfigArea[0], 9);
    EXPECT_EQ(u_.state.PlayOrderCount, 1);
    EXPECT_STREQ(u_.state.PlayerVersionText.data(), "01.20");
}

TEST_F(BuslinkPlayerTest, MemoryFiguresComeFromShortReads) {
    PxapiControl("flash 1000");
    ASSERT_EQ(ReadMemoryInfo(u_), 0);
    EXPECT_EQ(u_.state.InternalTotalBytes, 16896000);
    EXPECT_EQ(u_.state.InternalFreeBytes, 16896000);
    EXPECT_GT(u_.state.ExternalTotalBytes, 0);
    size_t shortReads = 0;
    for (const auto& c : PxapiCalls()) {
        if (std::string(c.function) == "PX_ReadDataBytes") {
            ++shortReads;
            EXPECT_EQ(c.args[1], 2);
        }
    }
    EXPECT_EQ(shortReads, 4u);
    EXPECT_EQ(PxapiCount("PX_ReadFile"), 0u);

    // A figure the driver does not deliver reads 0; the operation still reports 0.
    CheckAndResetPlayer();
    PxapiFail("PX_ReadDataBytes", 2, 0, 12);
    ASSERT_EQ(ReadMemoryInfo(u_), 0);
    EXPECT_GT(u_.state.InternalTotalBytes, 0);
    EXPECT_EQ(u_.state.InternalFreeBytes, 0);
    EXPECT_GT(u_.state.ExternalTotalBytes, 0);
}

// The list arrives as one stream: 512-byte pieces, each finishing at most one record, and a
// tail that ends 523 bytes after the end marker began.
TEST_F(BuslinkPlayerTest, FileListPiecesAndTail) {
    for (const unsigned files : {0u, 1u, 50u, 249u}) {
        CheckAndResetPlayer();
        for (unsigned i = 0; i < files; ++i) {
            ASSERT_NE(PutFile(i < 125 ? 0 : 1, 3, "f" + std::to_string(i) + ".sc4", 8000), 0) << i;
        }
        PX_TestRecordCalls(1);
        ListViewControl list;
        ASSERT_EQ(ReadFileList(u_.link, list.handle()), 0) << files;
        ASSERT_EQ(list.RowCount(), static_cast<int>(files));
        for (unsigned i = 0; i < files; ++i) {
            EXPECT_EQ(list.Cell(static_cast<int>(i), 0), "f" + std::to_string(i) + ".sc4");
            EXPECT_EQ(list.Cell(static_cast<int>(i), 5), "00:00:02");
        }
        EXPECT_EQ(u_.state.PhoneBookIndex, -1);

        const unsigned stream = 522 * files + 523;
        const unsigned pieces = (522 * files + 1 + 511) / 512;
        const unsigned tail = stream - 512 * pieces;
        Names expected(pieces, "512/1");
        if (tail >= 64)
            expected.push_back(std::to_string(tail / 64 * 64) + "/1");
        if (tail % 64)
            expected.push_back(std::to_string(tail % 64) + "/0");
        EXPECT_EQ(PxapiReads(), expected) << files;
        EXPECT_EQ(PxapiCallNames().back(), "PX_CloseHandle");
    }
}

// An MP3 of `size` bytes whose first frame header gives the bit-rate index `code`.
std::vector<uint8_t> Mp3(size_t size, uint8_t code) {
    auto content = Pattern(size);
    const uint8_t header[] = {0xFF, 0xFB, static_cast<uint8_t>(code << 4), 0x00};
    std::copy(std::begin(header), std::end(header), content.begin());
    return content;
}

// The bit-rate byte closes each record, and 255 is a file like any other: only 0 ends the list.
TEST_F(BuslinkPlayerTest, FileListShowsPlayTimesAndIndex255) {
    ASSERT_EQ(PutContent(0, 1, "a.mp3", Mp3(1000000, 9)), 6);     // 128 kbit/s
    ASSERT_EQ(PutContent(1, 1, "b.mp3", Mp3(1000000, 14)), 131);  // 320 kbit/s
    ASSERT_EQ(PutFile(1, 3, "c.sc4", 8000), 132);
    PxapiControl("list-index 131 255");
    ListViewControl list;
    ASSERT_EQ(ReadFileList(u_.link, list.handle()), 0);
    const std::vector<Names> rows = {
        {"a.mp3", "1000000", "MPEG Audio File", "6", "0", "00:01:02"},
        {"b.mp3", "1000000", "MPEG Audio File", "255", "1", "00:00:25"},
        {"c.sc4", "8000", "SC4 File", "132", "-1", "00:00:02"},
    };
    ASSERT_EQ(list.RowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        Names cells;
        for (int c = 0; c < 6; ++c)
            cells.push_back(list.Cell(r, c));
        EXPECT_EQ(cells, rows[r]) << r;
    }
}

TEST_F(BuslinkPlayerTest, FileListKeepsItsRowsWhenTheStreamBreaks) {
    for (int i = 0; i < 3; ++i)
        PutFile(0, 1, "s" + std::to_string(i) + ".mp3", 100);
    PxapiFail("PX_ReadFile", 3, 0, 12);
    ListViewControl list;
    EXPECT_EQ(ReadFileList(u_.link, list.handle()), 12);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(PxapiCount("PX_CloseHandle"), 1u);
}

// Records the transfer messages a copy sends; may stop the copy at a chosen progress message.
class ProgressWindow : public Window {
public:
    explicit ProgressWindow(UsbLink& u) : u_(u) {}
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
        messages.push_back((message == kTransferStartMessage ? "start " : "done ") +
                           std::to_string(wParam));
        if (message == kTransferProgressMessage && ++progress == stopAt)
            u_.state.TransferCancelCode = 1;
        return 0;
    }
    std::vector<std::string> messages;
    int progress = 0;
    int stopAt = 0;

private:
    UsbLink& u_;
};

TEST_F(BuslinkPlayerTest, DownloadReadsTheSizeWithTheFirstBlock) {
    struct Case {
        uint32_t size;
        int stopAt;
        const char* fault;
        LinkStatus status;
        Names reads;
        size_t cancelCodes;
        Names messages;
        uint32_t written;
    };
    const Case cases[] = {
        {100, 0, nullptr, 0, {"16320/1", "52/0"}, 0, {"start 100", "done 100"}, 100},
        {40000,
         0,
         nullptr,
         0,
         {"16320/1", "52/0", "16832/1", "57/0", "16832/1", "57/0"},
         2,
         {"start 40000", "done 16368", "done 33256", "done 40000"},
         40000},
        // Stopped while the first block's progress is shown: code 1 goes out, nothing more.
        {40000, 1, nullptr, -101, {"16320/1", "52/0"}, 1, {"start 40000", "done 16368"}, 16368},
        // The player's 24 comes with block 1 and is seen once block 1 is written.
        {40000,
         0,
         "fault code24 block 0",
         -103,
         {"16320/1", "52/0", "16832/1", "57/0"},
         2,
         {"start 40000", "done 16368", "done 33256"},
         33256},
        // The code that comes with the last block is not examined.
        {40000,
         0,
         "fault code24 block 1",
         0,
         {"16320/1", "52/0", "16832/1", "57/0", "16832/1", "57/0"},
         2,
         {"start 40000", "done 16368", "done 33256", "done 40000"},
         40000},
    };
    for (const auto& c : cases) {
        CheckAndResetPlayer();
        const uint8_t index = PutFile(0, 1, "song.mp3", c.size);
        ASSERT_NE(index, 0);
        if (c.fault)
            PxapiControl(c.fault);
        PX_TestRecordCalls(1);
        ProgressWindow window(u_);
        window.stopAt = c.stopAt;
        u_.state.ProgressWindow = window.handle();
        const auto target = dir_ / "song.mp3";
        EXPECT_EQ(DownloadFile(u_.link, index, target.c_str()), c.status) << c.size;
        EXPECT_EQ(PxapiReads(), c.reads) << c.size;
        size_t writes = 0;
        for (const auto& call : PxapiCalls())
            writes += std::string(call.function) == "PX_WriteFile";
        EXPECT_EQ(writes, 2 + c.cancelCodes) << c.size;
        EXPECT_EQ(window.messages, c.messages) << c.size;
        const auto content = ReadFile(target);
        const auto whole = Pattern(c.size);
        EXPECT_EQ(content, std::vector<uint8_t>(whole.begin(), whole.begin() + c.written));
    }
}

// The size comes in the same read as block 0: its low byte is no valid code, even when it
// reads as a stop (1) or as the player's abort (24).
TEST_F(BuslinkPlayerTest, DownloadTakesNoCodeFromTheSize) {
    struct Case {
        uint32_t size;
        size_t blocks;
    };
    for (const auto [size, blocks] : {Case{0x9C01, 3}, Case{0x9C18, 3}, Case{0x1A201, 7}}) {
        CheckAndResetPlayer();
        const uint8_t index = PutFile(0, 1, "song.mp3", size);
        ASSERT_NE(index, 0);
        PX_TestRecordCalls(1);
        const auto target = dir_ / "song.mp3";
        EXPECT_EQ(DownloadFile(u_.link, index, target.c_str()), 0) << size;
        EXPECT_EQ(PxapiReads().size(), 2 * blocks) << size;
        EXPECT_EQ(ReadFile(target), Pattern(size)) << size;
    }
}

// Over USB the valid code comes with the block behind it and is sent back after the next one:
// any value but 24 goes on, and a player that gets another code back stops answering.
TEST_F(BuslinkPlayerTest, DownloadEchoesThePlayersValidCode) {
    const uint8_t index = PutFile(0, 1, "four.mp3", 60000);  // four blocks
    ASSERT_NE(index, 0);
    for (const char* code : {"0", "7", "255"}) {
        PxapiControl(std::string("valid-code ") + code);
        const auto target = dir_ / "four.mp3";
        EXPECT_EQ(DownloadFile(u_.link, index, target.c_str()), 0) << code;
        EXPECT_EQ(ReadFile(target), Pattern(60000)) << code;
    }
}

TEST_F(BuslinkPlayerTest, DownloadThatCannotCreateItsFileClosesTheChannel) {
    const uint8_t index = PutFile(0, 1, "song.mp3", 100);
    ProgressWindow window(u_);
    u_.state.ProgressWindow = window.handle();
    PX_TestClearCalls();
    EXPECT_EQ(DownloadFile(u_.link, index, (dir_ / "no" / "such.mp3").c_str()), -115);
    EXPECT_EQ(window.messages, (Names{"start 100"}));
    EXPECT_EQ(PxapiCallNames().back(), "PX_CloseHandle");
}

TEST_F(BuslinkPlayerTest, EmptyPlayerFileMakesNoPcFile) {
    const uint8_t index = PutFile(0, 1, "empty.mp3", 0);
    const auto target = dir_ / "empty.mp3";
    EXPECT_EQ(DownloadFile(u_.link, index, target.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(target));
}

// The fixed waits exactly, each on its own: the unthrottled player adds no time of its own.
TEST_F(BuslinkPlayerTest, FixedWaitsRunOnThePlatformClock) {
    using Waits = std::vector<uint32_t>;
    const uint8_t index = PutFile(0, 1, "song.mp3", 100);
    SleepLog clock;
    ASSERT_EQ(DeleteDeviceFile(u_.link, index), 0);
    EXPECT_EQ(clock.waits, Waits{10400});

    clock.waits.clear();
    ASSERT_EQ(InitializeMemory(u_.link, kMemoryCard), 0);
    EXPECT_EQ(clock.waits, Waits{20000});

    // 500 ms after the memory type, then 10 ms after each of the three blocks.
    const auto source = dir_ / "up.mp3";
    WriteFile(source, Pattern(40000));
    clock.waits.clear();
    ASSERT_EQ(UploadFile(u_.link, kInternalMemory, source.c_str()), 0);
    EXPECT_EQ(clock.waits, (Waits{500, 10, 10, 10}));
    EXPECT_EQ(PxapiReads().back(), "1/0");

    // No wait before the version.
    clock.waits.clear();
    ASSERT_EQ(ReadVersionAndConfig(u_.link), 0);
    EXPECT_EQ(clock.waits, Waits{});
}

}  // namespace
}  // namespace kivo::link::usb
