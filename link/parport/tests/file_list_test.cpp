#include "link/parport/file_list.h"
#include "link/common/file_list_row.h"
#include "link/parport/memory_info.h"
#include "link/parport/version_config.h"

#include "link/testing/scripted_channel.h"
#include "platform/win/listview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kivo::link::parport {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::Le16;
using testing::Le32;
using testing::ScriptedLink;
using Trace = std::vector<std::string>;

Bytes Entry(uint8_t index, uint8_t type, uint32_t size, const std::string& name, uint8_t code) {
    Bytes field(515, 0);
    std::memcpy(field.data(), name.data(), std::min<size_t>(name.size(), 515));
    return Concat({{index, type}, Le32(size), field, {code}});
}

std::vector<std::string> RowOf(const ListViewControl& list, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < 6; ++c)
        cells.push_back(list.Cell(row, c));
    return cells;
}

TEST(FileListRowTest, TypeTexts) {
    struct Case {
        uint8_t type;
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {1, "a.mp3", "MPEG Audio File"},
        {1, "a.sm3", "Velvane MP3 File"},
        {1, "a.SM3", "Velvane MP3 File"},
        {1, "a.Sm3", "MPEG Audio File"},
        {2, "book.tel", "Telephone Book"},
        {3, "memo.sc4", "SC4 File"},
        {3, "memo.wav", "Wave Sound File"},
        {3, "memo.WAV", "Wave Sound File"},
        {3, "memo.Wav", "SC4 File"},
        {4, "x.mas", "MAS File"},
        {5, "p.dsc", "Digital Camera Image File"},
        {0, "notes.txt", "txt File"},
        {0, "noext", ""},
        {9, "a.b.c", "c File"},
        {255, "odd.", " File"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileTypeText(c.type, c.name), c.text) << c.name;
}

TEST(FileListRowTest, PlayTimes) {
    struct Case {
        uint8_t type;
        int32_t size;
        uint8_t code;
        const char* text;
    };
    const Case cases[] = {
        {1, 1000000, 9, "00:01:02"},
        {1, 1000000, 0, " "},
        {1, 1000000, 15, " "},
        {1, 2000000000, 1, "18:53:20"},
        {1, 360000000, 14, "02:30:00"},
        {3, 8000, 0, "00:00:02"},
        {3, 0, 0, " "},
        {3, 3999, 0, "00:00:00"},
        {2, 8000, 9, " "},
        {3, 400000000, 0, "03:46:40"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlayTimeText(c.type, c.size, c.code), c.text) << int(c.type) << " " << c.size;
    }
}

TEST(FileListTest, EndMarkerOnly) {
    ScriptedLink l;
    ListViewControl list;
    l.state.PhoneBookIndex = 9;
    l.channel.Reply({255});
    EXPECT_EQ(ReadFileList(l.link, list.handle()), 0);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(l.state.PhoneBookIndex, -1);
    EXPECT_EQ(l.channel.Trace(),
              (Trace{"open 40000", "write to port(command) 03", "read File Index 1", "close"}));
}

TEST(FileListTest, RowsAndTheirOrder) {
    ScriptedLink l;
    ListViewControl list;
    list.InsertRow(0, "kept", 0);
    l.state.ConfigArea[0] = 8;
    l.state.PlayOrderCount = 1;
    l.channel.Reply(Concat({
        Entry(6, 1, 1000000, "first.mp3", 9),
        Entry(0, 1, 5, "skipped.mp3", 9),
        Entry(7, 2, 880, "a.tel", 0),
        Entry(8, 1, 500, "known.SM3", 20),
        Entry(131, 3, 8000, "memo.sc4", 0),
        Entry(132, 2, 88, "b.TEL", 0),
        Entry(254, 1, 16000, "card.mp3", 1),
        {255},
    }));
    EXPECT_EQ(ReadFileList(l.link, list.handle()), 0);
    ASSERT_EQ(list.RowCount(), 7);
    EXPECT_EQ(RowOf(list, 0)[0], "kept");
    EXPECT_EQ(RowOf(list, 1), (std::vector<std::string>{"first.mp3", "1000000", "MPEG Audio File",
                                                        "6", "1", "00:01:02"}));
    EXPECT_EQ(RowOf(list, 2),
              (std::vector<std::string>{"a.tel", "880", "Telephone Book", "7", "-1", " "}));
    EXPECT_EQ(RowOf(list, 3),
              (std::vector<std::string>{"known.SM3", "500", "Velvane MP3 File", "8", "0", " "}));
    EXPECT_EQ(RowOf(list, 4),
              (std::vector<std::string>{"memo.sc4", "8000", "SC4 File", "131", "-1", "00:00:02"}));
    EXPECT_EQ(RowOf(list, 5),
              (std::vector<std::string>{"b.TEL", "88", "Telephone Book", "132", "-1", " "}));
    EXPECT_EQ(RowOf(list, 6), (std::vector<std::string>{"card.mp3", "16000", "MPEG Audio File",
                                                        "254", "2", "00:00:04"}));
    for (int r = 1; r < 7; ++r)
        EXPECT_EQ(list.RowAt(r).data, 0);
    EXPECT_EQ(l.state.PhoneBookIndex, 132);
    EXPECT_EQ(l.state.PlayOrderCount, 3);
    EXPECT_EQ(Bytes(l.state.ConfigArea.begin(), l.state.ConfigArea.begin() + 4),
              (Bytes{8, 6, 254, 0}));
    // The skipped entry was read in full: every field of every entry, then the end marker.
    EXPECT_EQ(l.channel.Count("read", "File Name"), 7u);
    EXPECT_EQ(l.channel.RepliesLeft(), 0u);
}

TEST(FileListTest, NamesComeBackInUtf8AndFullFieldNamesEnd) {
    ScriptedLink l;
    ListViewControl list;
    l.state.NameCodePage = 949;
    l.channel.Reply(Concat(
        {Entry(6, 0, 1, "\xB0\xA1.txt", 0), Entry(7, 0, 1, std::string(515, 'z'), 0), {255}}));
    EXPECT_EQ(ReadFileList(l.link, list.handle()), 0);
    EXPECT_EQ(list.Cell(0, 0), "\xEA\xB0\x80.txt");
    EXPECT_EQ(list.Cell(1, 0), std::string(515, 'z'));
    EXPECT_EQ(list.Cell(1, 2), "");
}

TEST(FileListTest, FullPlayOrderShowsMinusOne) {
    ScriptedLink l;
    ListViewControl list;
    l.state.ConfigArea.fill(5);
    l.state.PlayOrderCount = 250;
    l.channel.Reply(Concat({Entry(6, 1, 1, "x.mp3", 9), {255}}));
    EXPECT_EQ(ReadFileList(l.link, list.handle()), 0);
    EXPECT_EQ(list.Cell(0, 4), "-1");
    EXPECT_EQ(l.state.PlayOrderCount, 250);
}

TEST(FileListTest, FailureKeepsTheRowsSoFar) {
    ScriptedLink l;
    ListViewControl list;
    l.channel.Reply(Concat({Entry(6, 0, 1, "a", 0), Entry(7, 0, 1, "b", 0)}));
    l.channel.Fail("read", "File Size", 20, 2);
    EXPECT_EQ(ReadFileList(l.link, list.handle()), 20);
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_EQ(l.channel.Trace().back(), "close");
    EXPECT_EQ(l.state.PhoneBookIndex, -1);
}

TEST(FileListTest, FailedCommandChangesNothing) {
    ScriptedLink l;
    ListViewControl list;
    l.channel.Fail("open", "", 3);
    EXPECT_EQ(ReadFileList(l.link, list.handle()), 3);
    EXPECT_EQ(l.state.PhoneBookIndex, 0);
}

TEST(VersionTest, VersionTextAndConfigArea) {
    struct Case {
        Bytes digits;
        const char* text;
    };
    const Case cases[] = {
        {{0, 1, 3, 0}, "01.30"},
        {{0, 2, 0, 0}, "02.00"},
        {{1, 2, 3, 4}, "12.34"},
        {{0xFF, 10, 0x80, 0}, "-110.-1280"},
    };
    for (const auto& c : cases) {
        ScriptedLink l;
        Bytes config(252, 0);
        config[0] = 6;
        config[3] = 9;
        config[250] = 0x11;
        config[251] = 0x22;
        l.channel.Reply(Concat({{9, 9, 9, 9}, c.digits, config}));
        EXPECT_EQ(ReadVersionAndConfig(l.link), 0);
        EXPECT_STREQ(l.state.PlayerVersionText.data(), c.text);
        EXPECT_EQ(Bytes(l.state.ConfigArea.begin(), l.state.ConfigArea.end()), config);
        EXPECT_EQ(l.state.PlayOrderCount, 2);
        EXPECT_EQ(l.clock->Ticks(), 100u);
        EXPECT_EQ(l.channel.Trace(),
                  (Trace{"open 3000", "write to port(command) 07", "read TRAQ version 8",
                         "read Config Data 252", "close"}));
    }
}

TEST(VersionTest, FailedReadsKeepTheCountAndText) {
    for (const char* label : {"TRAQ version", "Config Data"}) {
        ScriptedLink l;
        std::strcpy(l.state.PlayerVersionText.data(), "01.20");
        l.state.PlayOrderCount = 4;
        l.channel.Reply(Concat({{0, 0, 0, 0, 0, 1, 3, 0}, Bytes(252, 7)}));
        l.channel.Fail("read", label, 12);
        EXPECT_EQ(ReadVersionAndConfig(l.link), 12) << label;
        EXPECT_STREQ(l.state.PlayerVersionText.data(), "01.20");
        EXPECT_EQ(l.state.PlayOrderCount, 4);
    }
}

TEST(MemoryInfoTest, FiguresInUnits) {
    ScriptedLink l;
    l.channel.Reply(Concat({Le16(1000), Le16(0), Le16(65535), Le16(1)}));
    EXPECT_EQ(ReadMemoryInfo(l.link), 0);
    EXPECT_EQ(l.state.InternalTotalBytes, 16896000);
    EXPECT_EQ(l.state.InternalFreeBytes, 0);
    EXPECT_EQ(l.state.ExternalTotalBytes, int64_t{65535} * 16896);
    EXPECT_EQ(l.state.ExternalFreeBytes, 16896);
    EXPECT_EQ(l.channel.Trace(),
              (Trace{"open 3000", "write to port(command) 04", "read Internal Total Memory 2",
                     "read Internal Free Memory 2", "read External Total Memory 2",
                     "read External Free Memory 2", "close"}));
}

TEST(MemoryInfoTest, FailingReadKeepsTheLaterFigures) {
    ScriptedLink l;
    l.state.ExternalTotalBytes = 5;
    l.state.ExternalFreeBytes = 6;
    l.channel.Reply(Concat({Le16(2), Le16(1), Le16(9), Le16(9)}));
    l.channel.Fail("read", "External Total Memory", 20);
    EXPECT_EQ(ReadMemoryInfo(l.link), 20);
    EXPECT_EQ(l.state.InternalTotalBytes, 2 * 16896);
    EXPECT_EQ(l.state.InternalFreeBytes, 16896);
    EXPECT_EQ(l.state.ExternalTotalBytes, 5);
    EXPECT_EQ(l.state.ExternalFreeBytes, 6);
}

}  // namespace
}  // namespace kivo::link::parport
