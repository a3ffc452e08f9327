#include "drivers/pxdll.h"
#include "link/cardformat/card_tables.h"
#include "link/common/card_format_procedure.h"
#include "link/common/mas_images.h"
#include "link/common/memory_ops.h"
#include "link/common/system_files.h"
#include "link/common/upload.h"
#include "link/parport/download.h"
#include "link/parport/file_list.h"
#include "link/parport/memory_info.h"
#include "link/parport/parport_link.h"
#include "link/parport/version_config.h"
#include "link/testing/call_record.h"
#include "platform/win/clock.h"
#include "platform/win/listview.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kivo::link::parport {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Pattern;

// Round trips through parlink, pxdll and the embedded player, whose state lives in memory.
class PlayerRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override { PX_TestReset(); }
    void TearDown() override { testing::CheckAndResetPlayer(); }

    static void Control(const std::string& line) {
        char reply[512];
        ASSERT_EQ(PX_TestControl(line.c_str(), reply, sizeof reply), 0u) << line;
    }
    static Bytes PlayerFile(uint8_t index) {
        Bytes content(1 << 20);
        uint32_t size = 0;
        if (!PX_TestGetFile(index, content.data(), static_cast<uint32_t>(content.size()), &size)) {
            return {};
        }
        content.resize(size);
        return content;
    }
    std::string Source(const std::string& name, size_t size) {
        const auto path = dir_ / name;
        test::WriteFile(path, Pattern(size));
        return path.string();
    }

    ScopedVirtualClock clock_;
    test::TempDir dir_;
    ParportLink p_;
};

TEST_F(PlayerRoundTripTest, UploadListAndDownloadBothMemories) {
    struct Case {
        const char* name;
        uint8_t memory;
        size_t size;
    };
    const Case cases[] = {
        {"one.mp3", 0, 1000},   {"two.sc4", 0, 16368},  {"three.wav", 1, 16369},
        {"four.tel", 1, 33256}, {"five.MP3", 0, 33257}, {"six.txt", 1, 100000},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(UploadFile(p_.link, c.memory, Source(c.name, c.size).c_str()), 0) << c.name;
    }
    ASSERT_EQ(ReadVersionAndConfig(p_.link), 0);
    ListViewControl list;
    ASSERT_EQ(ReadFileList(p_.link, list.handle()), 0);
    int found = 0;
    for (int row = 0; row < list.RowCount(); ++row) {
        for (const auto& c : cases) {
            if (list.Cell(row, 0) != c.name)
                continue;
            ++found;
            EXPECT_EQ(list.Cell(row, 1), std::to_string(c.size)) << c.name;
            const int index = std::stoi(list.Cell(row, 3));
            if (c.memory == 0) {
                EXPECT_TRUE(index >= 6 && index <= 130) << c.name << " " << index;
            } else {
                EXPECT_TRUE(index >= 131 && index <= 254) << c.name << " " << index;
            }
            const auto target = dir_ / (std::string("back-") + c.name);
            ASSERT_EQ(DownloadFile(p_.link, static_cast<uint8_t>(index), target.c_str()), 0);
            EXPECT_EQ(test::ReadFile(target), Pattern(c.size)) << c.name;
        }
    }
    EXPECT_EQ(found, 6);
    EXPECT_GE(p_.state.PhoneBookIndex, 131);
}

TEST_F(PlayerRoundTripTest, EmptyFileUploadsAndDownloadsAsEmpty) {
    ASSERT_EQ(UploadFile(p_.link, 0, Source("empty.mp3", 0).c_str()), 0);
    ASSERT_EQ(p_.state.PlayOrderCount, 1);
    const uint8_t index = p_.state.ConfigArea[0];
    const auto target = dir_ / "back.mp3";
    EXPECT_EQ(DownloadFile(p_.link, index, target.c_str()), -1);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(PlayerRoundTripTest, DeleteRemovesTheFile) {
    ASSERT_EQ(UploadFile(p_.link, 1, Source("gone.mp3", 10).c_str()), 0);
    const uint8_t index = p_.state.ConfigArea[0];
    ASSERT_EQ(PlayerFile(index).size(), 10u);
    EXPECT_EQ(DeleteDeviceFile(p_.link, index), 0);
    EXPECT_EQ(DownloadFile(p_.link, index, (dir_ / "x").c_str()), -1);
}

TEST_F(PlayerRoundTripTest, UploadThePlayerCannotStoreFails) {
    struct Case {
        const char* control;
        uint8_t memory;
    };
    const Case cases[] = {{"card none", 1}, {"flash 1", 0}};
    for (const Case c : cases) {
        testing::CheckAndResetPlayer();
        Control(c.control);
        p_.state.PlayOrderCount = 0;
        EXPECT_EQ(UploadFile(p_.link, c.memory, Source("big.mp3", 40000).c_str()), -1) << c.control;
        EXPECT_EQ(p_.state.PlayOrderCount, 0) << c.control;
        EXPECT_EQ(CheckDeviceStatus(p_.link), 0) << c.control;
    }
}

TEST_F(PlayerRoundTripTest, PlayerEndsADownloadWithCode24) {
    const Bytes content = Pattern(40000);
    const auto index = static_cast<uint8_t>(
        PX_TestPutFile(0, 1, "long.mp3", content.data(), static_cast<uint32_t>(content.size())));
    ASSERT_NE(index, 0);
    Control("fault code24 block 0");
    const auto target = dir_ / "long.mp3";
    EXPECT_EQ(DownloadFile(p_.link, index, target.c_str()), -103);
    EXPECT_EQ(std::filesystem::file_size(target), 16368u);
}

TEST_F(PlayerRoundTripTest, StopDuringTheLastBlockBothWays) {
    const uint32_t size = 20000;
    const uint32_t lastUploadSum = 16368 + 16888;
    CallbackWindow window([&](UINT message, WPARAM done, LPARAM) -> LRESULT {
        if (message == kTransferProgressMessage && (done == lastUploadSum || done == size)) {
            p_.state.TransferCancelCode = 1;
        }
        return 0;
    });
    p_.state.ProgressWindow = window.handle();
    EXPECT_EQ(UploadFile(p_.link, 0, Source("stopped.mp3", size).c_str()), -101);
    // The player keeps nothing of a stopped upload and answers index 0: nothing joins.
    EXPECT_EQ(p_.state.PlayOrderCount, 0);

    const Bytes content = Pattern(size);
    const auto index = static_cast<uint8_t>(
        PX_TestPutFile(0, 1, "whole.mp3", content.data(), static_cast<uint32_t>(content.size())));
    ASSERT_NE(index, 0);
    const auto target = dir_ / "whole.mp3";
    EXPECT_EQ(DownloadFile(p_.link, index, target.c_str()), -101);
    EXPECT_EQ(test::ReadFile(target), content);
    // The player is ready for the next command.
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
}

// The code after each block repeats the valid code the player sent before it: any value but 24
// goes on, and a player that gets another code back stops answering.
TEST_F(PlayerRoundTripTest, DownloadEchoesThePlayersValidCode) {
    const Bytes content = Pattern(60000);  // four blocks
    const auto index = static_cast<uint8_t>(
        PX_TestPutFile(0, 1, "four.mp3", content.data(), static_cast<uint32_t>(content.size())));
    ASSERT_NE(index, 0);
    for (const char* code : {"0", "7", "255"}) {
        Control(std::string("valid-code ") + code);
        const auto target = dir_ / "four.mp3";
        EXPECT_EQ(DownloadFile(p_.link, index, target.c_str()), 0) << code;
        EXPECT_EQ(test::ReadFile(target), content) << code;
    }
}

// An entry under index 0 is read in full and shows nothing; the entries behind it still show.
TEST_F(PlayerRoundTripTest, FileListSkipsAnEntryOfIndexZero) {
    const Bytes song = Pattern(1000);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        ASSERT_NE(PX_TestPutFile(0, 1, name, song.data(), 1000), 0u) << name;
    Control("list-index 7 0");
    ListViewControl list;
    ASSERT_EQ(ReadFileList(p_.link, list.handle()), 0);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, 0) + "#" + list.Cell(0, 3), "a.mp3#6");
    EXPECT_EQ(list.Cell(1, 0) + "#" + list.Cell(1, 3), "c.mp3#8");
    EXPECT_EQ(p_.state.PlayOrderCount, 2);
}

TEST_F(PlayerRoundTripTest, MemoryFiguresAndVersion) {
    Control("flash 1000");
    Control("card EC 75");
    Control("version 0 1 3 0");
    ASSERT_EQ(ReadMemoryInfo(p_.link), 0);
    EXPECT_EQ(p_.state.InternalTotalBytes, 16896000);
    EXPECT_GT(p_.state.ExternalTotalBytes, 0);
    ASSERT_EQ(ReadVersionAndConfig(p_.link), 0);
    EXPECT_STREQ(p_.state.PlayerVersionText.data(), "01.30");
}

TEST_F(PlayerRoundTripTest, SystemFilesReachThePlayer) {
    ASSERT_EQ(WriteSerialFile(p_.link, "KIVO"), 0);
    EXPECT_EQ(PlayerFile(kSerialFileIndex), (Bytes{'K', 'I', 'V', 'O', 0, 0, 0, 0}));

    ASSERT_EQ(ReadVersionAndConfig(p_.link), 0);
    std::fill(p_.state.ConfigArea.begin(), p_.state.ConfigArea.begin() + 250, 0);
    p_.state.ConfigArea[0] = 6;
    ASSERT_EQ(WriteConfigFile(p_.link), 0);
    Bytes config(p_.state.ConfigArea.begin(), p_.state.ConfigArea.end());
    config.resize(260, 0);
    EXPECT_EQ(PlayerFile(kConfigFileIndex), config);

    for (const char* version : {"0 1 2 0", "0 1 3 0"}) {
        Control(std::string("version ") + version);
        ASSERT_EQ(ReadVersionAndConfig(p_.link), 0);
        ASSERT_EQ(WriteMasImages(p_.link), 0);
        const bool older = std::string(version) == "0 1 2 0";
        const auto enc = EncoderImage(older);
        const auto dec = DecoderImage(older);
        EXPECT_EQ(PlayerFile(kEncoderFileIndex), Bytes(enc.begin(), enc.end())) << version;
        EXPECT_EQ(PlayerFile(kDecoderFileIndex), Bytes(dec.begin(), dec.end())) << version;
    }
}

TEST_F(PlayerRoundTripTest, StatusCheckWaitsOnlyAHundredMilliseconds) {
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    Control("fault stall status 90");
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    Control("fault none");
    Control("fault stall status 150");
    EXPECT_EQ(CheckDeviceStatus(p_.link), kPxErrorTimeout);
    Control("fault none");
    Control("fault no-answer");
    EXPECT_EQ(CheckDeviceStatus(p_.link), kPxErrorTimeout);
}

class CardFormatRoundTripTest : public PlayerRoundTripTest {
protected:
    bool ImageLeft() const { return std::filesystem::exists(dir_ / "header.dat"); }
    test::ScopedCurrentDir cwd_{dir_.path()};
};

TEST_F(CardFormatRoundTripTest, EverySupportedCardIsFormatted) {
    int cards = 0;
    for (int maker : {0xEC, 0x98}) {
        for (int device = 0; device < 256; ++device) {
            if (!LookupCard(static_cast<uint8_t>(maker), static_cast<uint8_t>(device)))
                continue;
            ++cards;
            char line[32];
            std::snprintf(line, sizeof line, "card %02X %02X", maker, device);
            testing::CheckAndResetPlayer();
            Control(line);
            EXPECT_EQ(FormatMemoryCard(p_.link), 0) << line;
            EXPECT_FALSE(ImageLeft()) << line;
        }
    }
    EXPECT_EQ(cards, 23);
}

TEST_F(CardFormatRoundTripTest, RefusalsAndNoCard) {
    Control("card none");
    EXPECT_EQ(FormatMemoryCard(p_.link), -1);
    EXPECT_FALSE(ImageLeft());

    Control("card EC 73");
    Control("fault code24 erase");
    EXPECT_EQ(FormatMemoryCard(p_.link), -1);
    EXPECT_FALSE(ImageLeft());

    Control("fault none");
    Control("fault code24 image");
    EXPECT_EQ(FormatMemoryCard(p_.link), -1);
    EXPECT_FALSE(ImageLeft());

    Control("fault none");
    EXPECT_EQ(FormatMemoryCard(p_.link), 0);
    EXPECT_FALSE(ImageLeft());
}

}  // namespace
}  // namespace kivo::link::parport
