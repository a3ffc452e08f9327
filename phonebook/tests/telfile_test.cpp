#include "phonebook/TelFile.h"

#include "phonebook/FileAccess.h"

#include "platform/win/file_size_limit.h"
#include "platform/win/file_write.h"
#include "testing/other_user.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using kivo::test::AsAnotherUser;
using kivo::test::OpenToEveryone;
using kivo::test::ScopedEnv;
using kivo::test::TempDir;

namespace kivo::phonebook {
namespace {

using namespace std::string_literals;
using Step = FileFault::Step;

}  // namespace

void PrintTo(const FileFault& fault, std::ostream* out) {
    static const char* const steps[] = {"open", "read", "create", "write"};
    *out << steps[static_cast<int>(fault.step)] << ": "
         << (fault.error == FileFault::kNotAFile ? "not a file" : std::strerror(fault.error));
}

namespace {

// Hangul syllables and their code page 949 bytes.
const std::string kHan = "\xED\x95\x9C", kHan949 = "\xC7\xD1";  // 한
const std::string kGuk = "\xEA\xB5\xAD", kGuk949 = "\xB1\xB9";  // 국
const std::string kEo = "\xEC\x96\xB4", kEo949 = "\xBE\xEE";    // 어

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

std::string Field(std::string bytes, size_t width) {
    bytes.resize(width, '\0');
    return bytes;
}

std::string Record(const std::string& name, const std::string& home, const std::string& office) {
    return Field(name, kNameWidth) + Field(home, kPhoneWidth) + Field(office, kPhoneWidth);
}

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TelRecords, Reading) {
    struct Case {
        const char* what;
        uint32_t codePage;
        std::string bytes;
        std::vector<Entry> entries;
    };
    const std::string full949 = Repeat(kHan949, 15);
    const Case cases[] = {
        {"empty file", 1252, "", {}},
        {"one record", 1252, Record("Kim", "010-123", "02-555"), {{"Kim", "010-123", "02-555"}}},
        {"a name of 30 bytes has no zero",
         1252,
         Record(Repeat("N", 30), "1", "2"),
         {{Repeat("N", 30), "1", "2"}}},
        {"a Korean name filling its field",
         949,
         Record(full949, "", ""),
         {{Repeat(kHan, 15), "", ""}}},
        {"Korean numbers filling their fields",
         949,
         Record("x", Repeat(kGuk949, 14) + "1", "9" + Repeat(kEo949, 14)),
         {{"x", Repeat(kGuk, 14) + "1", "9" + Repeat(kEo, 14)}}},
        {"100 bytes: the last 12 are a second name",
         1252,
         Record("Kim", "1", "2") + "Lee-Sun-Hee!",
         {{"Kim", "1", "2"}, {"Lee-Sun-Hee!", "", ""}}},
        {"a short last record keeps its home number",
         1252,
         Record("Kim", "1", "2") + Field("Lee", 30) + "555",
         {{"Kim", "1", "2"}, {"Lee", "555", ""}}},
        {"zero bytes anywhere in a field are dropped",
         1252,
         Record("A\0B"s,
                "\0\0"
                "12\0"
                "3"s,
                "4"),
         {{"AB", "123", "4"}}},
        {"a name of zero bytes skips the record with its numbers",
         1252,
         Record("", "111", "222") + Record("Lee", "3", "4"),
         {{"Lee", "3", "4"}}},
        {"texts are trimmed", 1252, Record(" \tKim \x01", "  1 ", "2\r\n"), {{"Kim", "1", "2"}}},
        {"a name of blanks gives an empty name", 1252, Record("   ", "1", ""), {{"", "1", ""}}},
        {"0x1A in the middle of a file ends it",
         1252,
         Record("Kim", "1", "2") + "Lee\x1A" + "ignored" + Record("Park", "", ""),
         {{"Kim", "1", "2"}, {"Lee", "", ""}}},
        {"0x1A inside a record keeps the fields read so far",
         1252,
         Field("Kim", 30) + "010\x1A" + "rest",
         {{"Kim", "010", ""}}},
        {"0x1A at the start gives nothing", 1252, "\x1A" + Record("Kim", "", ""), {}},
        {"bytes the code page cannot read become _",
         949,
         Record("ab\xC7", "\x80", ""),
         {{"ab_", "_", ""}}},
        {"western texts", 1252, Record("Ren\xE9", "", ""), {{"Ren\xC3\xA9", "", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadTelRecords(c.bytes, c.codePage), c.entries);
    }
}

TEST(TelRecords, Writing) {
    struct Case {
        const char* what;
        uint32_t codePage;
        std::vector<Entry> entries;
        std::string bytes;
    };
    const Case cases[] = {
        {"an empty list gives 0 bytes", 1252, {}, ""},
        {"records in list order",
         1252,
         {{"Lee", "1", "2"}, {"Kim", "3", ""}},
         Record("Lee", "1", "2") + Record("Kim", "3", "")},
        {"a name of 30 bytes without a zero",
         1252,
         {{Repeat("N", 30), "", ""}},
         Record(Repeat("N", 30), "", "")},
        {"longer texts are cut to their fields",
         1252,
         {{Repeat("N", 40), Repeat("1", 35), Repeat("2", 29) + "3"}},
         Record(Repeat("N", 30), Repeat("1", 29), Repeat("2", 29))},
        {"Korean in code page 949",
         949,
         {{kHan + kGuk + kEo, "010", ""}},
         Record(kHan949 + kGuk949 + kEo949, "010", "")},
        {"15 syllables fill a name",
         949,
         {{Repeat(kHan, 15), "", ""}},
         Record(Repeat(kHan949, 15), "", "")},
        {"a 16th syllable is left out",
         949,
         {{Repeat(kHan, 16), "", ""}},
         Record(Repeat(kHan949, 15), "", "")},
        {"a syllable that would be split is left out whole",
         949,
         {{"a" + Repeat(kHan, 15), Repeat(kGuk, 15), "1" + Repeat(kEo, 14)}},
         Record("a" + Repeat(kHan949, 14), Repeat(kGuk949, 14), "1" + Repeat(kEo949, 14))},
        {"Japanese double-byte and single-byte kana",
         932,
         {{Repeat("\xE6\x97\xA5", 14) + "\xEF\xBD\xB6" + "\xE6\x97\xA5", "", ""}},
         Record(Repeat("\x93\xFA", 14) + "\xB6", "", "")},
        {"what the code page cannot hold becomes _",
         1252,
         {{kHan + "Kim", "", ""}},
         Record("_Kim", "", "")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = WriteTelRecords(c.entries, c.codePage);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(bytes.size(), kRecordSize * c.entries.size());
    }
}

TEST(TelRecords, KoreanBookAtTheFieldLimitsReadsBackWhole) {
    std::vector<Entry> book = {
        {Repeat(kHan, 15), Repeat(kGuk, 14) + "1", "0" + Repeat(kEo, 14)},
        {"Kim " + Repeat(kGuk, 13), "010-1234-5678", ""},
    };
    EXPECT_EQ(ReadTelRecords(WriteTelRecords(book, 949), 949), book);
}

TEST(CsvLines, Reading) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"the header is never imported", "Kim,010-123\nLee,02-1\n", {{"Lee", "02-1", ""}}},
        {"name and home number", "name,home\nKim,010-123\n", {{"Kim", "010-123", ""}}},
        {"further commas stay in the home number",
         "h\nLee,02-1,ext 5\n",
         {{"Lee", "02-1,ext 5", ""}}},
        {"a line without a comma is skipped", "h\nKim\n\nLee,1\n", {{"Lee", "1", ""}}},
        {"a line with nothing before the comma is skipped", "h\n,555\n", {}},
        {"blanks around the texts are removed", "h\n  Kim  ,  010 \n", {{"Kim", "010", ""}}},
        {"CR LF, LF and CR end lines",
         "h\r\nA,1\r\nB,2\rC,3\nD,4",
         {{"A", "1", ""}, {"B", "2", ""}, {"C", "3", ""}, {"D", "4", ""}}},
        {"0x1A ends the file",
         "h\nA,1\nB,\x1A"
         "2\nC,3\n",
         {{"A", "1", ""}, {"B", "", ""}}},
        {"only a header", "name,home", {}},
        {"an empty file", "", {}},
        {"UTF-8 Korean", "h\n" + kHan + kGuk + ",010\n", {{kHan + kGuk, "010", ""}}},
        {"code page 949 Korean", "h\n" + kHan949 + kGuk949 + ",010\n", {{kHan + kGuk, "010", ""}}},
        {"quotes are text: there is no quoting",
         "h\n\"Kim, Jr\",010\n",
         {{"\"Kim", "Jr\",010", ""}}},
        {"a byte-order mark stays in the ignored header",
         "\xEF\xBB\xBFname,home\nKim,1\n",
         {{"Kim", "1", ""}}},
        {"a very long line is read whole",
         "h\n" + std::string(100000, 'N') + ",1\n",
         {{std::string(100000, 'N'), "1", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadCsvLines(c.bytes, 949), c.entries);
    }
    EXPECT_EQ(ReadCsvLines("h\nRen\xE9,1\n", 1252), (std::vector<Entry>{{"Ren\xC3\xA9", "1", ""}}));
}

class TelFiles : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir_;
    ScopedEnv lang_{"KIVO_LANGID", "0412"};
};

TEST_F(TelFiles, SavedBookLoadsInTheSystemCodePage) {
    std::vector<Entry> book = {{kHan + kGuk, "010", "02"}, {"Kim", "", "1"}};
    std::string path = Path("book.TEL");
    EXPECT_EQ(SaveTel(path, book), std::nullopt);
    EXPECT_EQ(Slurp(path), Record(kHan949 + kGuk949, "010", "02") + Record("Kim", "", "1"));
    FileEntries loaded = LoadTel(path);
    EXPECT_EQ(loaded.fault, std::nullopt);
    EXPECT_EQ(loaded.entries, book);
    EXPECT_EQ(Files(), std::vector<std::string>{"book.TEL"});
}

TEST_F(TelFiles, EmptyListSavesZeroBytesAndLoadsEmpty) {
    std::string path = Write("book.TEL", Record("Old", "", ""));
    EXPECT_EQ(SaveTel(path, {}), std::nullopt);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    FileEntries loaded = LoadTel(path);
    EXPECT_EQ(loaded.fault, std::nullopt);
    EXPECT_TRUE(loaded.entries.empty());
}

TEST_F(TelFiles, FailedSaveLeavesTheOldFileAsItWas) {
    std::string old = Record("Old", "1", "2");
    std::string path = Write("book.TEL", old);
    std::vector<Entry> book(10, Entry{"New", "3", "4"});
    std::optional<FileFault> fault;
    {
        FileSizeLimit full(100);
        fault = SaveTel(path, book);
    }
    EXPECT_EQ(fault, (FileFault{Step::Write, EFBIG}));
    EXPECT_EQ(Slurp(path), old);
    EXPECT_EQ(Files(), std::vector<std::string>{"book.TEL"});
}

TEST_F(TelFiles, SaveKeepsThePermissionsOfTheFileItReplaces) {
    std::string path = Write("book.TEL", "");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    EXPECT_EQ(SaveTel(path, {{"Kim", "", ""}}), std::nullopt);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(TelFiles, SaveIntoAMissingFolderCannotCreateTheFile) {
    EXPECT_EQ(SaveTel(Path("gone/book.TEL"), {{"Kim", "", ""}}), (FileFault{Step::Create, ENOENT}));
}

// Another user's folder or file: the save is refused with the reason and the book stays.
// A fault as text, to come back from another user's process; empty for none.
std::string Told(const std::optional<FileFault>& fault) {
    if (!fault)
        return "";
    std::ostringstream out;
    PrintTo(*fault, &out);
    return out.str();
}

// A file the user may not write keeps the old book; a file the user may write in a folder the
// user may not write is written in place, since no new file can be made beside it.
TEST_F(TelFiles, SaveWhereTheUserMayNotWrite) {
    struct Case {
        const char* what;
        std::filesystem::perms folder;
        std::filesystem::perms file;
        bool saved;
    };
    using std::filesystem::perms;
    const Case cases[] = {
        {"a read-only folder", perms::owner_all | perms::others_read | perms::others_exec,
         perms::all, true},
        {"a read-only file", perms::all, perms::owner_all | perms::others_read, false},
        {"both read-only", perms::owner_all | perms::others_read | perms::others_exec,
         perms::owner_all | perms::others_read, false},
    };
    OpenToEveryone(dir_.path());
    const std::string old = Record("Old", "1", "2");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Path("shared"));
        std::filesystem::create_directory(Path("shared"));
        std::string path = Write("shared/book.TEL", old);
        std::filesystem::permissions(path, c.file);
        std::filesystem::permissions(Path("shared"), c.folder);
        std::string fault = AsAnotherUser([&] { return Told(SaveTel(path, {{"New", "", ""}})); });
        if (c.saved) {
            EXPECT_EQ(fault, "");
            EXPECT_EQ(Slurp(path), Record("New", "", ""));
        } else {
            // What failed is the writing of the file itself, not a file beside it.
            EXPECT_EQ(fault, Told(FileFault{Step::Write, EACCES}));
            EXPECT_EQ(Slurp(path), old);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("shared")), {}), 1);
    }
    // Where no file of that name is, the new file cannot be made.
    std::filesystem::remove(Path("shared/book.TEL"));
    EXPECT_EQ(AsAnotherUser([&] {
                  return Told(SaveTel(Path("shared/book.TEL"), {{"New", "", ""}}));
              }),
              Told(FileFault{Step::Create, EACCES}));
}

// A name that holds a folder or a pipe is refused, on reading and on saving, and stays.
TEST_F(TelFiles, NamesOfThingsThatAreNoFileAreRefusedAndKept) {
    std::filesystem::create_directory(Path("folder.TEL"));
    ASSERT_EQ(::mkfifo(Path("pipe.TEL").c_str(), 0600), 0);
    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {{Path("folder.TEL"), EISDIR}, {Path("pipe.TEL"), FileFault::kNotAFile}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(SaveTel(c.path, {{"Kim", "", ""}}), (FileFault{Step::Write, c.error}));
        EXPECT_EQ(LoadTel(c.path).fault, (FileFault{Step::Read, c.error}));
    }
    EXPECT_TRUE(std::filesystem::is_directory(Path("folder.TEL")));
    EXPECT_TRUE(std::filesystem::is_fifo(Path("pipe.TEL")));
    EXPECT_EQ(Files(), (std::vector<std::string>{"folder.TEL", "pipe.TEL"}));
}

TEST_F(TelFiles, SaveThroughASymbolicLinkReplacesTheFileItLeadsTo) {
    std::filesystem::create_directory(Path("real"));
    std::string target = Write("real/book.TEL", Record("Old", "", ""));
    std::filesystem::create_symlink(target, Path("book.TEL"));
    std::filesystem::create_symlink(Path("real/new.TEL"), Path("dangling.TEL"));
    EXPECT_EQ(SaveTel(Path("book.TEL"), {{"Kim", "1", ""}}), std::nullopt);
    EXPECT_EQ(SaveTel(Path("dangling.TEL"), {{"Lee", "2", ""}}), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_symlink(Path("book.TEL")));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("dangling.TEL")));
    EXPECT_EQ(Slurp(target), Record("Kim", "1", ""));
    EXPECT_EQ(Slurp(Path("real/new.TEL")), Record("Lee", "2", ""));
}

// A save that dies after writing its new file and before putting it in place leaves the old
// book whole; what it left behind changes nothing for the saves and loads after it.
TEST_F(TelFiles, SaveKilledBeforeItsRenameLeavesTheOldBookAndNoTrap) {
    const std::string old = Record("Old", "1", "2");
    std::string path = Write("book.TEL", old);
    // The next save of this process would take the first temporary name: it is taken already.
    Write(".~" + std::to_string(::getpid()) + ".0", "left by a killed save");
    pid_t child = ::fork();
    if (child == 0) {
        win::ReplacementFile file(path);
        bool written = file && win::WriteAll(file.fd(), Record("Half", "", ""));
        ::_exit(written ? 0 : 1);  // dies without the rename and without cleaning up
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Slurp(path), old);
    EXPECT_EQ(Files().size(), 3u);  // the book and the two leftovers

    EXPECT_EQ(LoadTel(path).entries, (std::vector<Entry>{{"Old", "1", "2"}}));
    EXPECT_EQ(SaveTel(path, {{"New", "3", ""}}), std::nullopt);
    EXPECT_EQ(Slurp(path), Record("New", "3", ""));
    EXPECT_EQ(LoadTel(path).entries, (std::vector<Entry>{{"New", "3", ""}}));
    EXPECT_EQ(Files().size(), 3u);
}

// Two programs saving one book over and over: whoever reads it finds one whole book, either's.
TEST_F(TelFiles, TwoProcessesSavingOneBookLeaveOneWholeBook) {
    std::vector<Entry> first(40, Entry{"First", "1", ""});
    std::vector<Entry> second(75, Entry{"Second", "2", "3"});
    std::string path = Path("book.TEL");
    ASSERT_EQ(SaveTel(path, first), std::nullopt);
    std::vector<pid_t> writers;
    for (const auto* book : {&first, &second}) {
        pid_t child = ::fork();
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < 100 && ok; ++i)
                ok = !SaveTel(path, *book);
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(child);
    }
    int torn = 0;
    for (int i = 0; i < 200; ++i) {
        FileEntries read = LoadTel(path);
        if (read.fault || (read.entries != first && read.entries != second))
            ++torn;
    }
    for (pid_t child : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
    }
    EXPECT_EQ(torn, 0);
    FileEntries last = LoadTel(path);
    EXPECT_TRUE(last.entries == first || last.entries == second);
    EXPECT_EQ(Files(), std::vector<std::string>{"book.TEL"});
}

TEST_F(TelFiles, UnreadableFilesGiveAnErrorAndNoEntries) {
    std::filesystem::create_directory(Path("folder.TEL"));
    ASSERT_EQ(::mkfifo(Path("pipe.TEL").c_str(), 0600), 0);
    struct Case {
        std::string path;
        FileFault fault;
    };
    const Case cases[] = {{Path("missing.TEL"), {Step::Open, ENOENT}},
                          {Path("folder.TEL"), {Step::Read, EISDIR}},
                          {Path("pipe.TEL"), {Step::Read, FileFault::kNotAFile}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        for (const FileEntries& read : {LoadTel(c.path), ImportCsv(c.path)}) {
            EXPECT_EQ(read.fault, c.fault);
            EXPECT_TRUE(read.entries.empty());
        }
    }
}

// A read that fails partway keeps what was read before it, as reading record by record would.
TEST_F(TelFiles, ReadFailingPartwayKeepsTheEntriesReadBefore) {
    struct Case {
        const char* what;
        bool csv;
        std::string bytes;
        size_t failAfter;
        std::vector<Entry> entries;
        bool fails;  // false: the file ended before the fault
    };
    const std::string book = Record("Kim", "1", "2") + Record("", "lost", "") +
                             Record("Lee", "3", "") + Record("Park", "", "");
    const std::string csv = "name,home\r\nKim,1\r\nLee,2\nPark,3\n";
    const Case cases[] = {
        {"at the first byte", false, book, 0, {}, true},
        {"inside the third record", false, book, 2 * kRecordSize + 40, {{"Kim", "1", "2"}}, true},
        {"after whole records",
         false,
         book,
         3 * kRecordSize,
         {{"Kim", "1", "2"}, {"Lee", "3", ""}},
         true},
        {"after a Ctrl-Z that ended the file",
         false,
         Record("Kim", "1", "2") + "\x1A" + book,
         kRecordSize + 10,
         {{"Kim", "1", "2"}},
         false},
        {"inside the header line", true, csv, 5, {}, true},
        {"between CR and LF", true, csv, 17, {{"Kim", "1", ""}}, true},
        {"inside a line", true, csv, 21, {{"Kim", "1", ""}}, true},
        {"after a line", true, csv, 24, {{"Kim", "1", ""}, {"Lee", "2", ""}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = Write("book", c.bytes);
        FileEntries read;
        {
            ScopedReadFault fault(c.failAfter, EIO);
            read = c.csv ? ImportCsv(path) : LoadTel(path);
        }
        EXPECT_EQ(read.entries, c.entries);
        EXPECT_EQ(read.fault, c.fails ? std::optional(FileFault{Step::Read, EIO}) : std::nullopt);
    }
}

TEST_F(TelFiles, CsvFileInTheSystemCodePage) {
    FileEntries read = ImportCsv(Write("a.csv", "name,home\n" + kHan949 + ",1\nLee,2\n"));
    EXPECT_EQ(read.fault, std::nullopt);
    EXPECT_EQ(read.entries, (std::vector<Entry>{{kHan, "1", ""}, {"Lee", "2", ""}}));
}

}  // namespace
}  // namespace kivo::phonebook
