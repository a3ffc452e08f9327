#include "platform/win/file_write.h"
#include "testing/other_user.h"
#include "testing/temp_dir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

namespace kivo::win {
namespace {

namespace fs = std::filesystem;

class FileWriteTest : public ::testing::Test {
protected:
    void Put(const fs::path& file, const std::string& text) const {
        std::ofstream(file, std::ios::binary) << text;
    }
    std::string Text(const fs::path& file) const {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    mode_t Mode(const fs::path& file) const {
        struct stat st {};
        ::stat(file.c_str(), &st);
        return st.st_mode & 07777;
    }

    test::TempDir dir_;
};

TEST_F(FileWriteTest, ReplacesTheContentAndLeavesNothingBeside) {
    Put(dir_ / "a.txt", "old content, longer than the new");
    ASSERT_TRUE(ReplaceFile(dir_ / "a.txt", "new"));
    EXPECT_EQ(Text(dir_ / "a.txt"), "new");
    ASSERT_TRUE(ReplaceFile(dir_ / "b.txt", ""));
    EXPECT_EQ(Text(dir_ / "b.txt"), "");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(FileWriteTest, NewFileKeepsTheReplacedFilesPermissions) {
    Put(dir_ / "shared.txt", "old");
    fs::permissions(dir_ / "shared.txt", fs::perms(0604));
    ASSERT_TRUE(ReplaceFile(dir_ / "shared.txt", "new", 0600));
    EXPECT_EQ(Mode(dir_ / "shared.txt"), 0604u);
    ASSERT_TRUE(ReplaceFile(dir_ / "private.txt", "new", 0600));
    EXPECT_EQ(Mode(dir_ / "private.txt"), 0600u) << "a file with nothing to replace";
}

// Renaming needs only the folder's permission: the file's own must be checked, or another
// user's read-only file in a shared folder would be replaced.
TEST_F(FileWriteTest, RefusesAFileThisUserMayNotWrite) {
    test::OpenToEveryone(dir_.path());
    Put(dir_ / "theirs.txt", "keep me");
    fs::permissions(dir_ / "theirs.txt", fs::perms(0444));
    const std::string outcome = test::AsAnotherUser([&] {
        const bool replaced = ReplaceFile(dir_ / "theirs.txt", "lost");
        return replaced ? std::string("replaced") : "refused " + std::to_string(errno);
    });
    EXPECT_EQ(outcome, "refused " + std::to_string(EACCES));
    EXPECT_EQ(Text(dir_ / "theirs.txt"), "keep me");
    EXPECT_EQ(Mode(dir_ / "theirs.txt"), 0444u);
    EXPECT_EQ(Listing(), std::vector<std::string>{"theirs.txt"});
}

TEST_F(FileWriteTest, NameAtTheLengthLimitIsReplaced) {
    const std::string name(255, 'n');
    Put(dir_ / name, "old");
    ASSERT_TRUE(ReplaceFile(dir_ / name, "new"));
    EXPECT_EQ(Text(dir_ / name), "new");
    EXPECT_EQ(Listing(), std::vector<std::string>{name});
}

TEST_F(FileWriteTest, DroppedOrFailedReplacementKeepsTheOldFile) {
    Put(dir_ / "a.txt", "old");
    {
        ReplacementFile file(dir_ / "a.txt");
        ASSERT_TRUE(file);
        ASSERT_TRUE(WriteAll(file.fd(), "half"));
    }
    EXPECT_EQ(Text(dir_ / "a.txt"), "old");
    EXPECT_FALSE(ReplaceFile(dir_ / "missing" / "a.txt", "new"));
    EXPECT_EQ(Listing(), std::vector<std::string>{"a.txt"});
}

// A writer killed before its rename leaves its part; the next write to that destination takes
// it over, so that parts do not pile up.
TEST_F(FileWriteTest, APartLeftByAKilledWriterIsTakenOverByTheNext) {
    Put(dir_ / "song.mp3", "old");
    fs::permissions(dir_ / "song.mp3", fs::perms(0640));
    const pid_t child = ::fork();
    if (child == 0) {
        ReplacementFile file(dir_ / "song.mp3", 0666, PartName::AfterDestination);
        const bool written = file && WriteAll(file.fd(), "half of a longer new content");
        ::_exit(written ? 0 : 1);  // dies without the rename and without cleaning up
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(Listing(), (std::vector<std::string>{".~song.mp3.part", "song.mp3"}));
    EXPECT_EQ(Text(dir_ / "song.mp3"), "old");

    {
        ReplacementFile file(dir_ / "song.mp3", 0666, PartName::AfterDestination);
        ASSERT_TRUE(file);
        EXPECT_EQ(file.path(), dir_ / ".~song.mp3.part");
        ASSERT_TRUE(WriteAll(file.fd(), "new"));
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(Text(dir_ / "song.mp3"), "new");
    EXPECT_EQ(Mode(dir_ / "song.mp3"), 0640u);
    EXPECT_EQ(Listing(), std::vector<std::string>{"song.mp3"});
}

// The part of a writer still at work is its own: a second writer to the same destination takes
// the next name, and each gets what it wrote.
TEST_F(FileWriteTest, APartThatARunningWriterHoldsIsLeftToIt) {
    ReplacementFile first(dir_ / "a.txt", 0666, PartName::AfterDestination);
    ASSERT_TRUE(first);
    ASSERT_TRUE(WriteAll(first.fd(), "first"));
    {
        ReplacementFile second(dir_ / "a.txt", 0666, PartName::AfterDestination);
        ASSERT_TRUE(second);
        EXPECT_EQ(second.path(), dir_ / ".~a.txt.1.part");
        ASSERT_TRUE(WriteAll(second.fd(), "second"));
        ASSERT_TRUE(second.Commit());
    }
    EXPECT_EQ(Text(dir_ / "a.txt"), "second");
    EXPECT_EQ(Text(first.path()), "first");
    ASSERT_TRUE(first.Commit());
    EXPECT_EQ(Text(dir_ / "a.txt"), "first");
    EXPECT_EQ(Listing(), std::vector<std::string>{"a.txt"});
}

// Whatever else bears a part's name is not emptied, followed or removed: only this user's plain
// file with no other name counts as a part left behind.
TEST_F(FileWriteTest, WhatElseBearsAPartsNameIsLeftAlone) {
    Put(dir_ / "keep.txt", "keep me");
    fs::create_symlink(dir_ / "keep.txt", dir_ / ".~a.txt.part");
    fs::create_hard_link(dir_ / "keep.txt", dir_ / ".~a.txt.1.part");
    ASSERT_EQ(::mkfifo((dir_ / ".~a.txt.2.part").c_str(), 0600), 0);
    fs::create_directory(dir_ / ".~a.txt.3.part");
    {
        ReplacementFile file(dir_ / "a.txt", 0666, PartName::AfterDestination);
        ASSERT_TRUE(file);
        EXPECT_EQ(file.path(), dir_ / ".~a.txt.4.part");
        ASSERT_TRUE(WriteAll(file.fd(), "new"));
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(Text(dir_ / "a.txt"), "new");
    EXPECT_EQ(Text(dir_ / "keep.txt"), "keep me");
    EXPECT_EQ(Listing(),
              (std::vector<std::string>{".~a.txt.1.part", ".~a.txt.2.part", ".~a.txt.3.part",
                                        ".~a.txt.part", "a.txt", "keep.txt"}));
}

TEST_F(FileWriteTest, ANameAtTheLengthLimitHasAPartNameThatFits) {
    const std::string name(255, 'n');
    Put(dir_ / name, "old");
    ReplacementFile file(dir_ / name, 0666, PartName::AfterDestination);
    ASSERT_TRUE(file);
    const std::string part = file.path().filename().string();
    EXPECT_TRUE(part.starts_with(".~") && part.ends_with(".part") && part.size() <= 255) << part;
    ASSERT_TRUE(WriteAll(file.fd(), "new"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Text(dir_ / name), "new");
    EXPECT_EQ(Listing(), std::vector<std::string>{name});
}

}  // namespace
}  // namespace kivo::win
