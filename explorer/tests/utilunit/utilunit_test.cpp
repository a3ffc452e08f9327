#include "explorer/UtilUnit.h"

#include "appkit/list_cells.h"
#include "platform/win/listview.h"
#include "platform/win/unique_fd.h"
#include "testing/temp_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace kivo::explorer;

using kivo::test::TempDir;

namespace fs = std::filesystem;

namespace {

using kivo::win::UniqueFd;

void WriteFile(const fs::path& path, size_t size) {
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

}  // namespace

TEST(FileSizeOf, GivesTheSizeOfFilesAndZeroForEverythingElse) {
    TempDir dir;
    WriteFile(dir.path() / "empty", 0);
    WriteFile(dir.path() / "small.mp3", 1025);
    fs::create_directories(dir.path() / "folder");
    // A pipe without a writer: opening it for reading must not wait for one.
    ASSERT_EQ(::mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
    const std::vector<std::pair<std::string, int64_t>> cases = {
        {"", 0},
        {(dir.path() / "missing.mp3").string(), 0},
        {(dir.path() / "empty").string(), 0},
        {(dir.path() / "small.mp3").string(), 1025},
        {(dir.path() / "folder").string(), 0},
        {(dir.path() / "pipe").string(), 0},
    };
    for (const auto& [path, size] : cases)
        EXPECT_EQ(FileSizeOf(path), size) << path;
}

// A file of 4 GiB or more must not pass for a small one (sparse: it takes no disk space).
TEST(FileSizeOf, GivesTheWhole64BitSizeOfLargeFiles) {
    TempDir dir;
    for (int64_t size : {int64_t{1} << 32, (int64_t{1} << 32) + 10, int64_t{5} << 30}) {
        fs::path file = dir.path() / "large.mp3";
        {
            UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
            ASSERT_EQ(::ftruncate(fd.get(), size), 0);
        }
        EXPECT_EQ(FileSizeOf(file.string()), size);
    }
}

TEST(TotalFileSize, SumsInListOrderCountingMissingFilesAsZero) {
    TempDir dir;
    WriteFile(dir.path() / "a", 100);
    WriteFile(dir.path() / "b", 23);
    std::string a = (dir.path() / "a").string(), b = (dir.path() / "b").string();
    EXPECT_EQ(TotalFileSize({}), 0);
    EXPECT_EQ(TotalFileSize({a, b, a, (dir.path() / "gone").string(), ""}), 223);
}

TEST(GroupThousands, PutsCommasBetweenGroupsOfThree) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"0", "0"},
        {"999", "999"},
        {"1000", "1,000"},
        {"123456", "123,456"},
        {"1234567", "1,234,567"},
        {"12345678901", "12,345,678,901"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(GroupThousands(in), out) << in;
}

TEST(FormatSizeKB, RoundsUpToWholeKilobytes) {
    const std::vector<std::pair<int64_t, std::string>> cases = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {5000000, "4,883 KB"},
        {1048576, "1,024 KB"},
        {2147483647, "2,097,152 KB"},  // beyond the 32-bit sum of the original
        {int64_t{5} << 30, "5,242,880 KB"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(FormatSizeKB(in), out) << in;
}

TEST(JoinPath, AddsOneSeparatorUnlessTheFolderEndsInOne) {
    const std::vector<std::vector<std::string>> cases = {
        {"/", "a.mp3", "/a.mp3"},
        {"/home/music", "a.mp3", "/home/music/a.mp3"},
        {"/home/music/", "a.mp3", "/home/music/a.mp3"},
        {"/home", "/a.mp3", "/home//a.mp3"},  // nothing else is normalised
        {"", "a.mp3", "a.mp3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinPath(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(IsPlainFileName, TakesOnlyNamesOfOneFileInsideAFolder) {
    const std::pair<std::string, bool> cases[] = {
        {"song.mp3", true},
        {"..song.mp3", true},
        {"\xEB\xB4\x84.mp3", true},  // UTF-8 Korean
        {std::string(255, 'n'), true},
        {"", false},
        {".", false},
        {"..", false},
        {"../song.mp3", false},
        {"a/b.mp3", false},
        {"/etc/passwd", false},
        {std::string("a\0b.mp3", 7), false},
        {"\xFF\xFE.mp3", false},  // not UTF-8
        {std::string(256, 'n'), false},
    };
    for (const auto& [name, plain] : cases)
        EXPECT_EQ(IsPlainFileName(name), plain) << name;
}

namespace {

// A list filled as the device link fills it, through messages.
class FileList : public ::testing::Test {
protected:
    int Add(std::vector<std::string> cells) {
        int n = static_cast<int>(SendMessageA(list_.handle(), LVM_GETITEMCOUNT, 0, 0));
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = n;
        item.pszText = cells[0].data();
        SendMessageA(list_.handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (size_t c = 1; c < cells.size(); ++c) {
            LVITEMA sub{};
            sub.iSubItem = static_cast<int>(c);
            sub.pszText = cells[c].data();
            SendMessageA(list_.handle(), LVM_SETITEMTEXTA, n, reinterpret_cast<LPARAM>(&sub));
        }
        return n;
    }
    ListItemRef Item(int row) { return {list_.handle(), row}; }

    ListViewControl list_;
};

}  // namespace

TEST_F(FileList, NumericColumnsCompareAsNumbersOthersAsText) {
    // name, size, type, index, position, time
    Add({"10", "10", "b", "10", "10", "10"});
    Add({"9", "9", "a", "9", "9", "9"});
    Add({"x", "-1", "A", "-1", "-1", " "});
    Add({"y", "2147483647", "ab", "junk", "", "x"});
    struct Case {
        int first, second, column, sign;
    };
    const std::vector<Case> cases = {
        {0, 1, 4, 1},   // 10 after 9 by number
        {0, 1, 0, -1},  // "10" before "9" by text
        {0, 1, 1, 1},  {0, 1, 3, 1},  {0, 1, 5, -1},
        {0, 1, 2, 1},  {2, 1, 4, -1},  // negative numbers
        {3, 2, 1, 1},                  // no overflow between the largest and a negative number
        {3, 2, 3, 1},                  // a text that is no number counts as 0
        {3, 3, 4, 0},  {1, 3, 2, -1}, {2, 1, 2, 1},  // "A" after "a"
        {0, 1, -1, 0}, {0, 1, 7, 0},                 // missing cells compare equal as text
    };
    for (const auto& c : cases) {
        int result = CompareListItems(Item(c.first), Item(c.second), c.column);
        EXPECT_EQ((result > 0) - (result < 0), c.sign)
            << "rows " << c.first << "," << c.second << " column " << c.column;
    }
}

TEST_F(FileList, SortsTheListByPlayOrderPosition) {
    Add({"c.mp3", "1", "MPEG Audio File", "8", "10"});
    Add({"book.tel", "1", "Telephone Book", "9", "-1"});
    Add({"a.mp3", "1", "MPEG Audio File", "6", "9"});
    Add({"b.mp3", "1", "MPEG Audio File", "7", "0"});
    list_.SortByRowComparison([&](int a, int b) { return CompareListItems(Item(a), Item(b), 4); });
    std::vector<std::string> names;
    for (int r = 0; r < list_.RowCount(); ++r)
        names.push_back(GetListViewCellText(list_.handle(), r, 0));
    EXPECT_EQ(names, (std::vector<std::string>{"book.tel", "b.mp3", "a.mp3", "c.mp3"}));
}
