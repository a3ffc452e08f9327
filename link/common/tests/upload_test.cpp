#include "link/common/upload.h"

#include "link/testing/scripted_channel.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kivo::link {
namespace {

using test::Pattern;
using testing::Bytes;
using testing::Le16;
using testing::Le32;
using testing::ScriptedLink;

struct Progress {
    std::vector<std::pair<UINT, WPARAM>> messages;
    std::function<void(UINT, WPARAM)> onMessage;
    CallbackWindow window{[this](UINT m, WPARAM w, LPARAM l) -> LRESULT {
        EXPECT_EQ(l, 0);
        messages.emplace_back(m, w);
        if (onMessage)
            onMessage(m, w);
        return 0;
    }};
};

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        l_.state.ProgressWindow = progress_.window.handle();
        l_.channel.Reply({42});
    }

    std::string MakeFile(const std::string& name, size_t size) {
        const auto path = dir_ / name;
        test::WriteFile(path, Pattern(size));
        return path.string();
    }

    test::TempDir dir_;
    ScriptedLink l_;
    Progress progress_;
};

TEST_F(UploadTest, ThousandByteFileExactly) {
    const std::string path = MakeFile("a.mp3", 1000);
    EXPECT_EQ(UploadFile(l_.link, 1, path.c_str()), 0);
    EXPECT_EQ(l_.channel.Trace(),
              (std::vector<std::string>{
                  "open 60000", "write to port(command) 01", "write to port(memory type) 01",
                  "write to port(file type) 01", "write to port(file size) E8 03 00 00",
                  "write to port(file block) 01 00", "write to port(file name) 515",
                  "write to port(data) 16368", "write to port(cancel code) 00", "read File Index 1",
                  "close"}));
    Bytes name(515, 0);
    std::memcpy(name.data(), "a.mp3", 5);
    EXPECT_EQ(l_.channel.Written("to port(file name)"), name);
    Bytes data = Pattern(1000);
    data.resize(16368, 0);
    EXPECT_EQ(l_.channel.Written("to port(data)"), data);
    EXPECT_EQ(progress_.messages,
              (std::vector<std::pair<UINT, WPARAM>>{{kTransferStartMessage, 1000},
                                                    {kTransferProgressMessage, 16368}}));
    // The memory type goes first, then half a second passes before the rest of the header.
    EXPECT_EQ(l_.clock->Ticks(), 500u);
    EXPECT_EQ(l_.state.PlayOrderCount, 1);
    EXPECT_EQ(l_.state.ConfigArea[0], 42);
}

TEST_F(UploadTest, BlockCountsAndProgressSums) {
    struct Case {
        size_t size;
        uint16_t blocks;
    };
    for (const Case c : {Case{0, 1}, {16368, 1}, {16369, 2}, {33256, 2}, {33257, 3}}) {
        ScriptedLink l;
        Progress progress;
        l.state.ProgressWindow = progress.window.handle();
        l.channel.Reply({7});
        const std::string path = MakeFile("f" + std::to_string(c.size) + ".sc4", c.size);
        ASSERT_EQ(UploadFile(l.link, 0, path.c_str()), 0) << c.size;
        EXPECT_EQ(l.channel.Written("to port(file block)"), Le16(c.blocks)) << c.size;
        EXPECT_EQ(l.channel.Written("to port(file size)"), Le32(c.size)) << c.size;
        EXPECT_EQ(l.channel.Count("write", "to port(data)"), c.blocks) << c.size;
        EXPECT_EQ(l.channel.Count("write", "to port(cancel code)"), c.blocks) << c.size;
        Bytes expected = Pattern(c.size);
        const size_t padded = 16368 + size_t{16888} * (c.blocks - 1);
        expected.resize(padded, 0);
        EXPECT_EQ(l.channel.Written("to port(data)"), expected) << c.size;
        ASSERT_EQ(progress.messages.size(), c.blocks + 1u);
        EXPECT_EQ(progress.messages.front(), std::make_pair(kTransferStartMessage, WPARAM{c.size}));
        EXPECT_EQ(progress.messages.back(),
                  std::make_pair(kTransferProgressMessage, WPARAM{padded}));
    }
}

TEST_F(UploadTest, StopDuringTheLastBlock) {
    const std::string path = MakeFile("song.MP3", 20000);
    progress_.onMessage = [&](UINT m, WPARAM w) {
        if (m == kTransferProgressMessage && w == 16368 + 16888)
            l_.state.TransferCancelCode = 1;
    };
    EXPECT_EQ(UploadFile(l_.link, 0, path.c_str()), -101);
    EXPECT_EQ(l_.channel.Written("to port(cancel code)"), (Bytes{0x00, 0x01}));
    EXPECT_EQ(l_.channel.Count("read", "File Index"), 1u);
    // The player still made the file, so it joins the play order.
    EXPECT_EQ(l_.state.PlayOrderCount, 1);
}

TEST_F(UploadTest, IndexZeroMeansThePlayerStoredNothing) {
    struct Case {
        uint8_t index;
        bool stop;
        LinkStatus status;
        int16_t playOrderCount;
    };
    const Case cases[] = {
        {0, false, -1, 0},
        {0, true, -101, 0},
        {6, false, 0, 1},
        {6, true, -101, 1},
    };
    for (const Case c : cases) {
        ScriptedLink l;
        Progress progress;
        l.state.ProgressWindow = progress.window.handle();
        progress.onMessage = [&](UINT m, WPARAM) {
            if (m == kTransferProgressMessage && c.stop)
                l.state.TransferCancelCode = 1;
        };
        l.channel.Reply({c.index});
        const std::string path = MakeFile("a.mp3", 100);
        EXPECT_EQ(UploadFile(l.link, 1, path.c_str()), c.status) << int{c.index} << c.stop;
        EXPECT_EQ(l.state.PlayOrderCount, c.playOrderCount) << int{c.index} << c.stop;
        EXPECT_EQ(l.state.ConfigArea[0], c.playOrderCount == 0 ? 0 : c.index);
        EXPECT_EQ(l.channel.Trace().back(), "close");
    }
}

TEST_F(UploadTest, StopSendsNoFurtherBlock) {
    const std::string path = MakeFile("long.wav", 60000);
    progress_.onMessage = [&](UINT m, WPARAM) {
        if (m == kTransferProgressMessage)
            l_.state.TransferCancelCode = 1;
    };
    EXPECT_EQ(UploadFile(l_.link, 0, path.c_str()), -101);
    EXPECT_EQ(l_.channel.Count("write", "to port(data)"), 1u);
    EXPECT_EQ(l_.channel.Written("to port(cancel code)"), (Bytes{0x01}));
}

TEST_F(UploadTest, StopBeforeTheStartHasNoEffect) {
    const std::string path = MakeFile("a.tel", 10);
    l_.state.TransferCancelCode = 1;
    progress_.onMessage = [&](UINT m, WPARAM) {
        if (m == kTransferStartMessage)
            l_.state.TransferCancelCode = 1;
    };
    EXPECT_EQ(UploadFile(l_.link, 0, path.c_str()), 0);
    EXPECT_EQ(l_.channel.Written("to port(cancel code)"), (Bytes{0x00}));
}

TEST_F(UploadTest, FileTypeFromThePath) {
    struct Case {
        const char* folder;
        const char* name;
        uint8_t type;
    };
    const Case cases[] = {
        {"", "a.mp3", 1}, {"", "a.MP3", 1},        {"", "a.Mp3", 0},       {"", "b.sm3", 1},
        {"", "b.SM3", 1}, {"", "c.tel", 2},        {"", "c.TEL", 2},       {"", "d.sc4", 3},
        {"", "d.SC4", 3}, {"", "e.wav", 3},        {"", "e.WAV", 3},       {"", "f.mas", 4},
        {"", "f.MAS", 4}, {"", "g.dsc", 5},        {"", "g.DSC", 5},       {"", "h.txt", 0},
        {"", "noext", 0}, {"my.mp3s/", "song", 0}, {"x.tel/", "a.mp3", 1}, {"", "a.mp3.bak", 0},
    };
    for (const auto& c : cases) {
        ScriptedLink l;
        l.channel.Reply({9});
        std::filesystem::create_directories(dir_ / c.folder);
        const std::string path = MakeFile(std::string(c.folder) + c.name, 3);
        ASSERT_EQ(UploadFile(l.link, 0, path.c_str()), 0) << path;
        EXPECT_EQ(l.channel.Written("to port(file type)"), Bytes{c.type}) << path;
        Bytes name(515, 0);
        std::memcpy(name.data(), c.name, std::strlen(c.name));
        EXPECT_EQ(l.channel.Written("to port(file name)"), name) << path;
    }
}

TEST_F(UploadTest, NameFieldCarriesTheCodePageBytes) {
    // Latin-1 letters take one byte each in the Western code page.
    const std::string path = MakeFile("caf\xC3\xA9.mp3", 1);
    EXPECT_EQ(UploadFile(l_.link, 0, path.c_str()), 0);
    Bytes name(515, 0);
    const uint8_t expected[] = {'c', 'a', 'f', 0xE9, '.', 'm', 'p', '3'};
    std::memcpy(name.data(), expected, sizeof expected);
    EXPECT_EQ(l_.channel.Written("to port(file name)"), name);
}

TEST_F(UploadTest, WidthsCountCodePageBytes) {
    // 80 Hangul syllables: 240 bytes of UTF-8, 160 in the Korean code page.
    std::string name;
    for (int i = 0; i < 80; ++i)
        name += "\xEA\xB0\x80";
    name += ".mp3";
    ScriptedLink korean;
    korean.state.NameCodePage = 949;
    korean.channel.Reply({6});
    const std::string path = MakeFile(name, 1);
    ASSERT_EQ(UploadFile(korean.link, 0, path.c_str()), 0);
    const Bytes field = korean.channel.Written("to port(file name)");
    ASSERT_EQ(field.size(), 515u);
    EXPECT_EQ(Bytes(field.begin(), field.begin() + 2), (Bytes{0xB0, 0xA1}));
    EXPECT_EQ(Bytes(field.begin() + 160, field.begin() + 164), (Bytes{'.', 'm', 'p', '3'}));
    EXPECT_EQ(Bytes(field.begin() + 164, field.end()), Bytes(515 - 164, 0));
}

TEST_F(UploadTest, UnreadableSourceNeverContactsThePlayer) {
    // A FIFO is refused before its open could wait for a writer.
    const auto fifo = dir_ / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(UploadFile(l_.link, 0, fifo.c_str()), -115);
    EXPECT_EQ(UploadFile(l_.link, 0, (dir_ / "missing.mp3").c_str()), -115);
    EXPECT_EQ(UploadFile(l_.link, 0, dir_.path().c_str()), -115);
    EXPECT_TRUE(l_.channel.events().empty());
    EXPECT_TRUE(progress_.messages.empty());
}

TEST_F(UploadTest, FilesTheHeaderCannotDescribeAreRefused) {
    // Sparse files: the size field is signed 32-bit, the block count 16-bit.
    for (off_t size : {off_t{1} << 31, off_t{16368} + off_t{65535} * 16888}) {
        const auto path = dir_ / "huge.mp3";
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        EXPECT_EQ(UploadFile(l_.link, 0, path.c_str()), -115) << size;
        EXPECT_TRUE(l_.channel.events().empty()) << size;
    }
}

TEST_F(UploadTest, SourceThatShrinksMidwayFails) {
    const std::string path = MakeFile("shrinking.mp3", 40000);
    progress_.onMessage = [&](UINT m, WPARAM) {
        if (m == kTransferProgressMessage) {
            ASSERT_EQ(::truncate(path.c_str(), 20000), 0);
        }
    };
    EXPECT_EQ(UploadFile(l_.link, 0, path.c_str()), -115);
    EXPECT_EQ(l_.channel.Count("write", "to port(data)"), 1u);
    EXPECT_EQ(l_.channel.Trace().back(), "close");
    EXPECT_EQ(l_.state.PlayOrderCount, 0);
}

TEST_F(UploadTest, ChannelFailuresEndWithTheirStatus) {
    struct Case {
        const char* kind;
        const char* label;
        int occurrence;
    };
    const Case cases[] = {
        {"open", "", 1},
        {"write", "to port(command)", 1},
        {"write", "to port(memory type)", 1},
        {"write", "to port(file name)", 1},
        {"write", "to port(data)", 2},
        {"write", "to port(cancel code)", 1},
        {"read", "File Index", 1},
    };
    for (const auto& c : cases) {
        ScriptedLink l;
        l.channel.Reply({5});
        l.channel.Fail(c.kind, c.label, 18, c.occurrence);
        const std::string path = MakeFile("x.mp3", 20000);
        EXPECT_EQ(UploadFile(l.link, 0, path.c_str()), 18) << c.label;
        EXPECT_EQ(l.channel.Count("close"), std::string(c.kind) == "open" ? 0u : 1u) << c.label;
        EXPECT_EQ(l.state.PlayOrderCount, 0) << c.label;
    }
}

}  // namespace
}  // namespace kivo::link
