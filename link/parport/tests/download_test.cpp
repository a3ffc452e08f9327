#include "link/parport/download.h"

#include "link/testing/scripted_channel.h"
#include "platform/win/file_size_limit.h"
#include "platform/win/window.h"
#include "testing/files.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kivo::link::parport {
namespace {

using test::Pattern;
using testing::Bytes;
using testing::Concat;
using testing::Le32;
using testing::ScriptedLink;
using Trace = std::vector<std::string>;
using Messages = std::vector<std::pair<UINT, WPARAM>>;

// The player's side of a download: size, then whole blocks with a valid code between them.
Bytes PlayerSends(uint32_t size, uint8_t validCode = 0) {
    const Bytes content = Pattern(size);
    Bytes out = Le32(size);
    size_t at = 0;
    for (uint32_t block = 0; at < size || block == 0; ++block) {
        if (block > 0)
            out.push_back(validCode);
        const size_t length = block == 0 ? 16368 : 16888;
        Bytes data(length, 0xEE);
        const size_t n = std::min(length, size - at);
        std::copy(content.begin() + at, content.begin() + at + n, data.begin());
        out.insert(out.end(), data.begin(), data.end());
        at += n;
    }
    return out;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override { l_.state.ProgressWindow = window_.handle(); }
    LinkStatus Download(uint8_t index = 9) { return DownloadFile(l_.link, index, target_.c_str()); }

    test::TempDir dir_;
    std::filesystem::path target_ = dir_ / "copy.mp3";
    ScriptedLink l_;
    Messages messages_;
    std::function<void(UINT, WPARAM)> onMessage_;
    CallbackWindow window_{[this](UINT m, WPARAM w, LPARAM) -> LRESULT {
        messages_.emplace_back(m, w);
        if (onMessage_)
            onMessage_(m, w);
        return 0;
    }};
};

TEST_F(DownloadTest, TwentyThousandBytes) {
    l_.channel.Reply(PlayerSends(20000, 7));
    EXPECT_EQ(Download(131), 0);
    EXPECT_EQ(l_.channel.Trace(),
              (Trace{"open 40000", "write to port(command) 02", "write File Index 83",
                     "read from port(filesize) 4", "read from port(file data) 16368",
                     "write to port(cancel code) 00", "read from port(valid code) 1",
                     "read from port(file data) 16888", "close"}));
    EXPECT_EQ(test::ReadFile(target_), Pattern(20000));
    EXPECT_EQ(messages_, (Messages{{kTransferStartMessage, 20000},
                                   {kTransferProgressMessage, 16368},
                                   {kTransferProgressMessage, 20000}}));
}

TEST_F(DownloadTest, BlockBoundaries) {
    struct Case {
        uint32_t size;
        size_t blocks;
    };
    for (const Case c : {Case{1, 1}, {16368, 1}, {16369, 2}, {33256, 2}, {33257, 3}}) {
        ScriptedLink l;
        l.channel.Reply(PlayerSends(c.size));
        ASSERT_EQ(DownloadFile(l.link, 6, target_.c_str()), 0) << c.size;
        EXPECT_EQ(l.channel.Count("read", "from port(file data)"), c.blocks) << c.size;
        EXPECT_EQ(l.channel.Count("write", "to port(cancel code)"), c.blocks - 1) << c.size;
        EXPECT_EQ(l.channel.Count("read", "from port(valid code)"), c.blocks - 1) << c.size;
        EXPECT_EQ(test::ReadFile(target_), Pattern(c.size)) << c.size;
        EXPECT_EQ(l.channel.RepliesLeft(), 0u) << c.size;
    }
}

TEST_F(DownloadTest, EmptyPlayerFileMakesNoPcFile) {
    l_.channel.Reply(Le32(0));
    EXPECT_EQ(Download(), -1);
    EXPECT_FALSE(std::filesystem::exists(target_));
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(l_.channel.Trace().back(), "close");
}

TEST_F(DownloadTest, UncreatableTargetClosesTheChannel) {
    target_ = dir_ / "no" / "such" / "dir.mp3";
    l_.channel.Reply(PlayerSends(100));
    EXPECT_EQ(Download(), -115);
    EXPECT_EQ(l_.channel.Trace(),
              (Trace{"open 40000", "write to port(command) 02", "write File Index 09",
                     "read from port(filesize) 4", "close"}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(DownloadTest, TargetThatIsNoRegularFileIsRefusedAtOnce) {
    // A FIFO without a reader would hold the port until one came; a folder cannot be written.
    target_ = dir_ / "pipe.mp3";
    ASSERT_EQ(::mkfifo(target_.c_str(), 0600), 0);
    for (const auto& target : {target_, dir_.path()}) {
        ScriptedLink l;
        l.channel.Reply(PlayerSends(100));
        EXPECT_EQ(DownloadFile(l.link, 9, target.c_str()), -115) << target;
        EXPECT_EQ(l.channel.Trace().back(), "close") << target;
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(DownloadTest, StopDuringTheLastBlockKeepsTheWholeFile) {
    l_.channel.Reply(PlayerSends(20000));
    onMessage_ = [&](UINT m, WPARAM w) {
        if (m == kTransferProgressMessage && w == 20000)
            l_.state.TransferCancelCode = 1;
    };
    EXPECT_EQ(Download(), -101);
    EXPECT_EQ(test::ReadFile(target_), Pattern(20000));
    EXPECT_EQ(l_.channel.Written("to port(cancel code)"), (Bytes{0}));
}

TEST_F(DownloadTest, StopAfterTheFirstBlock) {
    l_.channel.Reply(PlayerSends(40000));
    onMessage_ = [&](UINT m, WPARAM) {
        if (m == kTransferProgressMessage)
            l_.state.TransferCancelCode = 1;
    };
    EXPECT_EQ(Download(), -101);
    EXPECT_EQ(l_.channel.Written("to port(cancel code)"), (Bytes{1}));
    EXPECT_EQ(l_.channel.Count("read", "from port(valid code)"), 0u);
    EXPECT_EQ(std::filesystem::file_size(target_), 16368u);
}

TEST_F(DownloadTest, ValidCode24EndsTheCopy) {
    l_.channel.Reply(PlayerSends(40000, 24));
    EXPECT_EQ(Download(), -103);
    EXPECT_EQ(l_.channel.Count("read", "from port(file data)"), 1u);
    EXPECT_EQ(std::filesystem::file_size(target_), 16368u);
    EXPECT_EQ(l_.channel.Trace().back(), "close");
}

TEST_F(DownloadTest, ValidCodeIsEchoedAsTheNextCancelCode) {
    l_.channel.Reply(PlayerSends(40000, 5));
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(l_.channel.Written("to port(cancel code)"), (Bytes{0, 5}));
    EXPECT_EQ(l_.state.TransferCancelCode, 5);
}

TEST_F(DownloadTest, ReplacesAnOldFile) {
    test::WriteFile(target_, Bytes(50000, 1));
    l_.channel.Reply(PlayerSends(10));
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(test::ReadFile(target_), Pattern(10));
}

TEST_F(DownloadTest, FullDiskFailsAndClosesEverything) {
    l_.channel.Reply(PlayerSends(40000));
    {
        FileSizeLimit full(20000);
        EXPECT_EQ(Download(), -115);
    }
    EXPECT_EQ(l_.channel.Trace().back(), "close");
}

TEST_F(DownloadTest, ChannelFailuresKeepWhatWasWritten) {
    struct Case {
        const char* kind;
        const char* label;
        int occurrence;
        uintmax_t written;  // -1: no file
    };
    const Case cases[] = {
        {"open", "", 1, uintmax_t(-1)},
        {"write", "File Index", 1, uintmax_t(-1)},
        {"read", "from port(filesize)", 1, uintmax_t(-1)},
        {"read", "from port(file data)", 2, 16368},
        {"write", "to port(cancel code)", 1, 16368},
        {"read", "from port(valid code)", 2, 16368 + 16888},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(target_);
        ScriptedLink l;
        l.channel.Reply(PlayerSends(50000));
        l.channel.Fail(c.kind, c.label, 18, c.occurrence);
        EXPECT_EQ(DownloadFile(l.link, 6, target_.c_str()), 18) << c.label;
        if (c.written == uintmax_t(-1)) {
            EXPECT_FALSE(std::filesystem::exists(target_)) << c.label;
        } else {
            EXPECT_EQ(std::filesystem::file_size(target_), c.written) << c.label;
        }
        EXPECT_EQ(l.channel.Count("close"), std::string(c.kind) == "open" ? 0u : 1u) << c.label;
    }
}

}  // namespace
}  // namespace kivo::link::parport
