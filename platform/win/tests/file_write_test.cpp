#include "platform/win/file_write.h"
#include "testing/other_user.h"
#include "testing/temp_dir.h"

#include <sys/stat.h>

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

}  // namespace
}  // namespace kivo::win
