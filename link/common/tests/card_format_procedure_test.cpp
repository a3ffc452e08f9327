#include "link/common/card_format_procedure.h"

#include "link/testing/scripted_channel.h"
#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kivo::link {
namespace {

using testing::Bytes;
using testing::ScriptedLink;
using Trace = std::vector<std::string>;

// The image is made where temporary files belong (here a folder of the test's own) and must be
// gone afterwards, from there and from the working folder, however the format ended.
class FormatMemoryCardTest : public ::testing::Test {
protected:
    bool ImageLeft() const {
        return !std::filesystem::is_empty(dir_.path()) || !std::filesystem::is_empty(temp_.path());
    }

    test::TempDir dir_;
    test::TempDir temp_;
    test::ScopedEnv tmpdir_{"TMPDIR", temp_.path().string()};
    test::ScopedCurrentDir cwd_{dir_.path()};
    ScriptedLink l_;
};

TEST_F(FormatMemoryCardTest, NoCardBuildsNothing) {
    l_.channel.Reply({0x00, 0x73});
    EXPECT_EQ(FormatMemoryCard(l_.link), -1);
    EXPECT_EQ(l_.channel.Trace(),
              (Trace{"open 3000", "write to port(command) 20", "read SMC Information 2", "close"}));
    EXPECT_FALSE(ImageLeft());
}

TEST_F(FormatMemoryCardTest, SixteenMegabyteCard) {
    l_.channel.Reply({0xEC, 0x73, 0x00, 0x00});
    EXPECT_EQ(FormatMemoryCard(l_.link), 0);
    Trace expected{
        "open 3000", "write to port(command) 20", "read SMC Information 2",        "close",
        "open 3000", "write to port(command) 21", "read Block erase OK 1",         "close",
        "open 3000", "write to port(command) 22", "write to port(file size) 80 00"};
    for (int i = 0; i < 128; ++i)
        expected.push_back("write to port(data) 528");
    expected.push_back("read Block erase OK 1");
    expected.push_back("close");
    EXPECT_EQ(l_.channel.Trace(), expected);
    EXPECT_EQ(l_.channel.Written("to port(data)").size(), 67584u);
    EXPECT_FALSE(ImageLeft());
}

TEST_F(FormatMemoryCardTest, SmallCardEndsWithAHalfPiece) {
    l_.channel.Reply({0xEC, 0x6E, 0x00, 0x00});
    EXPECT_EQ(FormatMemoryCard(l_.link), 0);
    EXPECT_EQ(l_.channel.Written("to port(file size)"), (Bytes{44, 0}));
    EXPECT_EQ(l_.channel.Count("write", "to port(data)"), 45u);
    EXPECT_EQ(l_.channel.events()[l_.channel.events().size() - 3].value, 264u);
}

TEST_F(FormatMemoryCardTest, UnsupportedCardSendsNoPages) {
    l_.channel.Reply({0xEC, 0xA4, 0x00, 0x00});
    EXPECT_EQ(FormatMemoryCard(l_.link), 0);
    EXPECT_EQ(l_.channel.Written("to port(file size)"), (Bytes{0, 0}));
    EXPECT_EQ(l_.channel.Count("write", "to port(data)"), 0u);
}

TEST_F(FormatMemoryCardTest, RefusedEraseLeavesNoImageAndTheNextRunFormats) {
    l_.channel.Reply({0xEC, 0x73, 24});
    EXPECT_EQ(FormatMemoryCard(l_.link), -1);
    EXPECT_EQ(l_.channel.Count("write", "to port(command)"), 2u);
    EXPECT_FALSE(ImageLeft());

    l_.channel.Reply({0x98, 0x75, 0, 0});
    EXPECT_EQ(FormatMemoryCard(l_.link), 0);
    EXPECT_FALSE(ImageLeft());
}

TEST_F(FormatMemoryCardTest, RefusedImageIsReportedAndTheFileRemoved) {
    l_.channel.Reply({0xEC, 0x73, 0x00, 24});
    EXPECT_EQ(FormatMemoryCard(l_.link), -1);
    EXPECT_FALSE(ImageLeft());
}

TEST_F(FormatMemoryCardTest, ChannelFailures) {
    struct Case {
        const char* kind;
        const char* label;
        int occurrence;
    };
    const Case cases[] = {
        {"open", "", 1},
        {"read", "SMC Information", 1},
        {"open", "", 2},
        {"read", "Block erase OK", 1},
        {"write", "to port(file size)", 1},
        {"write", "to port(data)", 7},
        {"read", "Block erase OK", 2},
    };
    for (const auto& c : cases) {
        ScriptedLink l;
        l.channel.Reply({0xEC, 0x73, 0x00, 0x00});
        l.channel.Fail(c.kind, c.label, 6, c.occurrence);
        EXPECT_EQ(FormatMemoryCard(l.link), 6) << c.label << c.occurrence;
        EXPECT_FALSE(ImageLeft()) << c.label << c.occurrence;
        EXPECT_EQ(l.channel.Trace().back(), std::string(c.kind) == "open" ? "open 3000" : "close");
    }
}

TEST_F(FormatMemoryCardTest, AnImageThatCannotBeWrittenLeavesTheCardUnerased) {
    test::ScopedEnv missing{"TMPDIR", (temp_.path() / "gone").string()};
    l_.channel.Reply({0xEC, 0x73, 0x00});
    EXPECT_EQ(FormatMemoryCard(l_.link), -115);
    EXPECT_EQ(l_.channel.Count("write", "to port(command)"), 1u);
    EXPECT_FALSE(ImageLeft());
}

}  // namespace
}  // namespace kivo::link
