#include "addressbridge/tests/bridge_fixture.h"
#include "platform/wab/testing/fixture_writer.h"
#include "platform/wab/wab_binary_layout.h"

namespace fixture = kivo::wab::fixture;
namespace wab_layout = kivo::wab::wab_layout;

namespace {

using fixture::Contact;
using fixture::ContactRecord;
using fixture::Record;

std::string Book(const std::vector<Contact>& contacts) {
    std::vector<Record> records;
    for (size_t i = 0; i < contacts.size(); ++i)
        records.push_back(ContactRecord(static_cast<uint32_t>(i + 1), contacts[i]));
    return fixture::WriteWabBinary(records);
}

using ContactRows = BridgeTest;

TEST_F(ContactRows, NameIsSurnameBlankGivenNameTrimmed) {
    struct Case {
        std::optional<std::string> surname, given;
        std::string name;
    };
    const Case cases[] = {
        {"Lee", "Ann", "Lee Ann"},
        {std::nullopt, "Ann", "Ann"},
        {"Lee", std::nullopt, "Lee"},
        {std::nullopt, std::nullopt, ""},
        {"van Dyke", "Jo", "van Dyke Jo"},
        {" Lee", "Ann ", "Lee Ann"},
        {"Lee", "", "Lee"},
        {"  ", "  ", ""},
        {"", "Ann  Marie", "Ann  Marie"},
    };
    std::vector<Contact> contacts;
    for (const auto& c : cases)
        contacts.push_back(Contact{.surname = c.surname, .given = c.given});
    EXPECT_EQ(AllocList(Write("a.wab", Book(contacts))), 0);
    auto rows = Rows();
    ASSERT_EQ(rows.size(), std::size(cases));
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i][0], cases[i].name) << i;
}

TEST_F(ContactRows, NumbersGoToTheirColumnsAndMissingOnesAreEmpty) {
    EXPECT_EQ(AllocList(Write(
                  "a.wab", Book({
                               Contact{.surname = "A", .home = "555-0101", .business = "555-0202"},
                               Contact{.surname = "B", .business = "555-0303"},
                               Contact{.surname = "C", .home = "555-0404"},
                               Contact{.surname = "D"},
                           }))),
              0);
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"A", "555-0101", "555-0202"},
                                                    {"B", "", "555-0303"},
                                                    {"C", "555-0404", ""},
                                                    {"D", "", ""}}));
}

TEST_F(ContactRows, DistributionListsAndDeletedRecordsGiveNoRow) {
    auto deleted = ContactRecord(3, Contact{.surname = "Gone"});
    deleted.live = false;
    AllocList(Write("a.wab",
                    fixture::WriteWabBinary({
                        ContactRecord(1, Contact{.surname = "Lee"}),
                        ContactRecord(2, Contact{.display = "Team", .objectType = MAPI_DISTLIST}),
                        deleted,
                        ContactRecord(4, Contact{.surname = "Kim"}),
                    })));
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"Lee", "", ""}, {"Kim", "", ""}}));
}

TEST_F(ContactRows, AppendedAfterExistingRowsWithDataZeroAndAllDeletedByFreeList) {
    list_.InsertRow(0, "kept", 77);
    list_.SetCell(0, 1, "1");
    std::string path = Write("a.wab", Book({Contact{.surname = "Lee"}, Contact{.surname = "Kim"}}));
    AllocList(path);
    ASSERT_EQ(list_.RowCount(), 3);
    EXPECT_EQ(list_.Cell(0, 0), "kept");
    EXPECT_EQ(list_.RowAt(0).data, 77);
    EXPECT_EQ(list_.Cell(1, 0), "Lee");
    EXPECT_EQ(list_.Cell(2, 0), "Kim");
    EXPECT_EQ(list_.RowAt(1).data, 0);
    EXPECT_EQ(list_.RowAt(2).data, 0);
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(list_.RowCount(), 0);
}

TEST_F(ContactRows, LongNameIsCutTo1023BytesOnACharacterBoundary) {
    std::string ascii(1500, 'a');
    std::string accented;
    for (int i = 0; i < 600; ++i)
        accented += "é";
    AllocList(Write(
        "a.wab", Book({Contact{.surname = ascii, .given = "x"},
                       Contact{.surname = std::string(1023, 'b')}, Contact{.surname = accented}})));
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], std::string(1023, 'a'));
    EXPECT_EQ(rows[1][0], std::string(1023, 'b'));
    EXPECT_EQ(rows[2][0].size(), 1022u);
    EXPECT_EQ(rows[2][0], accented.substr(0, 1022));
}

TEST_F(ContactRows, TextsOfTheSystemCodePageReachTheListAsUtf8) {
    ::setenv("KIVO_LANGID", "0412", 1);
    AllocList(Write("a.wab", Book({Contact{.surname = "김", .given = "민수", .home = "02-123"}})));
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"김 민수", "02-123", ""}}));
    FreeList();
    ::setenv("KIVO_LANGID", "0409", 1);
    AllocList(Write("b.wab", Book({Contact{.surname = "Müller", .given = "김"}})));
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"Müller _", "", ""}}));
}

TEST_F(ContactRows, VCardFileGivesRowsLikeTheBinaryFile) {
    std::string file =
        fixture::WriteVCard(
            {.contact = {.surname = "Lee", .given = "Ann", .home = "1"}, .version = "2.1"}) +
        fixture::WriteVCard({.contact = {.display = "Team"}, .version = "4.0", .group = true}) +
        fixture::WriteVCard({.contact = {.surname = "Kim", .business = "2"}, .version = "4.0"});
    AllocList(Write("contacts.vcf", file));
    EXPECT_EQ(Rows(), (std::vector<BridgeTest::Row>{{"Lee Ann", "1", ""}, {"Kim", "", "2"}}));
}

TEST_F(ContactRows, DamagedOrUnreadableFilesGiveFewerRowsOrNone) {
    std::string good =
        Book({Contact{.surname = "A"}, Contact{.surname = "B"}, Contact{.surname = "C"}});
    std::string truncated = good.substr(0, fixture::RecordOffset(good, 2) + 10);
    std::string corrupt = good;
    for (size_t i = wab_layout::kDescriptorsOffset; i < wab_layout::kDescriptorsOffset + 96; ++i)
        corrupt[i] = '\xFF';
    std::string older(reinterpret_cast<const char*>(wab_layout::kOlderSignature), 8);
    older += good.substr(8);
    struct Case {
        const char* what;
        std::string path;
        size_t rows;
    };
    const Case cases[] = {
        {"truncated inside the last record", Write("t.wab", truncated), 2},
        {"corrupt table descriptors", Write("c.wab", corrupt), 0},
        {"older signature", Write("o.wab", older), 0},
        {"neither format", Write("n.csv", "Lee,Ann,1\r\n"), 0},
        {"missing file", (dir_ / "missing.wab").string(), 0},
        {"no path", "", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AllocList(c.path), 0) << c.what;
        EXPECT_EQ(Rows().size(), c.rows) << c.what;
        EXPECT_EQ(FreeList(), 0) << c.what;
    }
    EXPECT_EQ(WAB_AllocList(list_.handle(), nullptr), 0);
    EXPECT_EQ(list_.RowCount(), 0);
}

TEST_F(ContactRows, RegistryPathThatDoesNotLoadIsNotRetriedWithTheDefaultName) {
    std::string path = Write("a.wab", Book({Contact{.surname = "Lee"}}));
    SetLibraryPath((dir_ / "nowhere" / "libwab32.so").string());
    EXPECT_EQ(AllocList(path), 0);
    EXPECT_EQ(list_.RowCount(), 0);
    // The registry names the library beside the programs: it loads.
    SetLibraryPath((ProgramFolder() / "libwab32.so").string());
    FreeList();
    AllocList(path);
    EXPECT_EQ(list_.RowCount(), 1);
}

TEST_F(ContactRows, FreeListOnAnEmptyListSendsNoDeleteAndMayBeRepeated) {
    EXPECT_EQ(FreeList(), 0);
    AllocList(Write("empty.wab", Book({})));
    EXPECT_EQ(list_.RowCount(), 0);
    list_.messages.clear();
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(list_.messages, (std::vector<UINT>{LVM_GETITEMCOUNT, LVM_GETITEMCOUNT}));
    AllocList(Write("a.wab", Book({Contact{.surname = "Lee"}})));
    list_.messages.clear();
    EXPECT_EQ(FreeList(), 0);
    EXPECT_EQ(list_.messages, (std::vector<UINT>{LVM_GETITEMCOUNT, LVM_DELETEALLITEMS}));
    EXPECT_EQ(WAB_FreeList(nullptr), 0);
}

}  // namespace
