#include "platform/wab/wab_binary.h"
#include "platform/wab/testing/fixture_writer.h"
#include "platform/wab/wab_binary_layout.h"

#include <gtest/gtest.h>

#include <functional>

namespace kivo::wab {
namespace {

using fixture::Contact;
using fixture::ContactRecord;
using fixture::Record;
using fixture::WriteWabBinary;

std::span<const uint8_t> Span(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

std::vector<StoredEntry> Read(const std::string& file) {
    return ReadWabBinary(Span(file));
}

const StoredProperty* Find(const StoredEntry& e, uint32_t tag) {
    for (const auto& p : e.props)
        if (p.tag == tag)
            return &p;
    return nullptr;
}

std::string Text(const StoredEntry& e, uint32_t tag8) {
    const StoredProperty* p = Find(e, PropTag(PT_UNICODE, PropId(tag8)));
    return p ? p->bytes : "<none>";
}

void Set32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::vector<Record> ThreeContacts() {
    return {ContactRecord(1, Contact{.surname = "Lee", .given = "Ann", .home = "555-0101"}),
            ContactRecord(2, Contact{.surname = "Müller", .given = "Jörg", .business = "030 1234"}),
            ContactRecord(3, Contact{.surname = "김", .given = "민수", .home = "02-123"})};
}

TEST(WabBinary, SignatureChoosesTheVariant) {
    std::string current = WriteWabBinary({});
    std::string older(reinterpret_cast<const char*>(wab_layout::kOlderSignature), 8);
    older.resize(200, '\0');
    EXPECT_EQ(WabSignatureOf(Span(current)), WabSignature::Current);
    EXPECT_EQ(WabSignatureOf(Span(older)), WabSignature::OlderVariant);
    EXPECT_EQ(WabSignatureOf(Span(current.substr(0, 15))), WabSignature::None);
    EXPECT_EQ(WabSignatureOf(Span("BEGIN:VCARD\r\n")), WabSignature::None);
    EXPECT_TRUE(Read(older).empty());
}

TEST(WabBinary, ReadsContactsInIndexOrderWithWideTextsAsUtf8) {
    auto entries = Read(WriteWabBinary(ThreeContacts()));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(Text(entries[0], PR_SURNAME), "Lee");
    EXPECT_EQ(Text(entries[0], PR_GIVEN_NAME), "Ann");
    EXPECT_EQ(Text(entries[0], PR_HOME_TELEPHONE_NUMBER), "555-0101");
    EXPECT_EQ(Text(entries[0], PR_BUSINESS_TELEPHONE_NUMBER), "<none>");
    EXPECT_EQ(Text(entries[1], PR_SURNAME), "Müller");
    EXPECT_EQ(Text(entries[1], PR_GIVEN_NAME), "Jörg");
    EXPECT_EQ(Text(entries[2], PR_SURNAME), "김");
    for (const auto& e : entries)
        EXPECT_EQ(e.objectType, MAPI_MAILUSER);
}

TEST(WabBinary, ReadsEveryValueType) {
    Record r;
    r.id = 9;
    r.props = {StoredProperty::Number(PropTag(PT_I2, 0x8001), -2),
               StoredProperty::Number(PropTag(PT_LONG, 0x8002), 70000),
               StoredProperty::Number(PropTag(PT_BOOLEAN, 0x8003), 1),
               StoredProperty::Bytes(PropTag(PT_STRING8, 0x8004), "plain"),
               StoredProperty::Bytes(PropTag(PT_BINARY, 0x8005), std::string("\0\1\2", 3)),
               StoredProperty::Bytes(PropTag(PT_UNICODE, 0x8006), "𝄞 clef")};
    StoredProperty mv = StoredProperty::Number(PropTag(PT_MV_UNICODE, 0x8007), 0);
    mv.values = {"a@example.org", "b@example.org"};
    StoredProperty mvBinary = StoredProperty::Number(PropTag(PT_MV_BINARY, 0x8008), 0);
    mvBinary.values = {"x", ""};
    r.props.push_back(mv);
    r.props.push_back(mvBinary);
    // A type this reader does not know is passed over, and the next property still read.
    r.props.push_back(StoredProperty::Bytes(PropTag(0x0040, 0x8009), std::string(8, '\x11')));
    r.props.push_back(StoredProperty::Number(PropTag(PT_LONG, 0x800A), 7));
    auto entries = Read(WriteWabBinary({r}));
    ASSERT_EQ(entries.size(), 1u);
    const auto& e = entries[0];
    EXPECT_EQ(Find(e, PropTag(PT_I2, 0x8001))->number, -2);
    EXPECT_EQ(Find(e, PropTag(PT_LONG, 0x8002))->number, 70000);
    EXPECT_EQ(Find(e, PropTag(PT_BOOLEAN, 0x8003))->number, 1);
    EXPECT_EQ(Find(e, PropTag(PT_STRING8, 0x8004))->bytes, "plain");
    EXPECT_EQ(Find(e, PropTag(PT_BINARY, 0x8005))->bytes, std::string("\0\1\2", 3));
    EXPECT_EQ(Find(e, PropTag(PT_UNICODE, 0x8006))->bytes, "𝄞 clef");
    EXPECT_EQ(Find(e, PropTag(PT_MV_UNICODE, 0x8007))->values, mv.values);
    EXPECT_EQ(Find(e, PropTag(PT_MV_BINARY, 0x8008))->values, mvBinary.values);
    EXPECT_EQ(Find(e, PropTag(0x0040, 0x8009)), nullptr);
    EXPECT_EQ(Find(e, PropTag(PT_LONG, 0x800A))->number, 7);
}

TEST(WabBinary, DeletedRecordsAndContainersAreNoEntriesAndListsKeepTheirType) {
    auto deleted = ContactRecord(2, Contact{.surname = "Gone"});
    deleted.live = false;
    auto entries = Read(WriteWabBinary({
        ContactRecord(1, Contact{.surname = "Kept"}),
        deleted,
        ContactRecord(3, Contact{.display = "Folder", .objectType = MAPI_ABCONT}),
        ContactRecord(4, Contact{.display = "Team", .objectType = MAPI_DISTLIST}),
    }));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(Text(entries[0], PR_SURNAME), "Kept");
    EXPECT_EQ(entries[1].objectType, MAPI_DISTLIST);
    EXPECT_EQ(Text(entries[1], PR_DISPLAY_NAME), "Team");
}

TEST(WabBinary, FindsTheIndexInAnyDescriptorAndNoneWithoutIt) {
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(Read(WriteWabBinary(ThreeContacts(), {.indexSlot = slot})).size(), 3u) << slot;
    EXPECT_TRUE(Read(WriteWabBinary(ThreeContacts(), {.indexSlot = 6})).empty());
}

// Every prefix of a file reads without fault, and gives a prefix of what the whole file gives.
TEST(WabBinary, TruncatedFileGivesWhatIsWhole) {
    std::string file = WriteWabBinary(ThreeContacts());
    auto full = Read(file);
    size_t lastCount = 0;
    for (size_t n = 0; n <= file.size(); ++n) {
        auto prefix = Read(file.substr(0, n));
        ASSERT_LE(prefix.size(), full.size()) << n;
        ASSERT_GE(prefix.size(), lastCount) << n;
        lastCount = prefix.size();
        for (size_t i = 0; i < prefix.size(); ++i) {
            ASSERT_LE(prefix[i].props.size(), full[i].props.size()) << n;
            for (size_t k = 0; k < prefix[i].props.size(); ++k) {
                EXPECT_EQ(prefix[i].props[k].tag, full[i].props[k].tag) << n;
                EXPECT_EQ(prefix[i].props[k].bytes, full[i].props[k].bytes) << n;
            }
        }
    }
    EXPECT_EQ(lastCount, 3u);
}

TEST(WabBinary, CorruptCountsOffsetsAndLengthsGiveFewerEntries) {
    const std::string file = WriteWabBinary(ThreeContacts());
    const uint32_t indexDescriptor = wab_layout::kDescriptorsOffset;
    const uint32_t second = fixture::RecordOffset(file, 1);
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        size_t entries;
    };
    const Case cases[] = {
        {"index count past the file",
         [&](std::string& f) { Set32(f, indexDescriptor + 12, 0xFFFFFFFF); }, 3},
        {"index offset past the file",
         [&](std::string& f) { Set32(f, indexDescriptor + 8, 0xFFFFFFF0); }, 0},
        {"record offset past the file", [&](std::string& f) { Set32(f, 0x78 + 8 + 4, 0xFFFFFFF0); },
         2},
        {"record offset near the top", [&](std::string& f) { Set32(f, 0x78 + 8 + 4, 0xFFFFFFFC); },
         2},
        {"property count past the file", [&](std::string& f) { Set32(f, second + 12, 0x40000000); },
         2},
        {"live flag neither 1 nor 0", [&](std::string& f) { Set32(f, second, 7); }, 2},
        {"data length past the file", [&](std::string& f) { Set32(f, second + 28, 0xFFFFFFFF); },
         2},
        {"index pointing twice at one record", [&](std::string& f) { Set32(f, 0x78 + 4, second); },
         2},
        {"overlapping record",
         [&](std::string& f) { Set32(f, 0x78 + 8 + 4, fixture::RecordOffset(f, 0) + 4); }, 2},
    };
    for (const auto& c : cases) {
        std::string damaged = file;
        c.damage(damaged);
        EXPECT_EQ(Read(damaged).size(), c.entries) << c.what;
    }
}

TEST(WabBinary, PropertyLengthsPastTheRecordStopItsProperties) {
    std::string file =
        WriteWabBinary({ContactRecord(1, Contact{.surname = "Lee", .given = "Ann"})});
    uint32_t record = fixture::RecordOffset(file, 0);
    uint32_t count = 3;
    uint32_t firstProperty = record + 0x20 + count * 4;
    // The object type is whole; the surname's length reaches past the record.
    uint32_t surname = firstProperty + 12;
    struct Case {
        const char* what;
        uint32_t at;
        uint32_t value;
        size_t props;
    };
    const Case cases[] = {
        {"length past the end", surname + 4, 0x7FFFFFFF, 1},
        {"length at the top", surname + 4, 0xFFFFFFFF, 1},
        {"multi-valued total past the end", surname, PropTag(PT_MV_UNICODE, 0x3A11), 1},
    };
    for (const auto& c : cases) {
        std::string damaged = file;
        Set32(damaged, c.at, c.value);
        auto entries = Read(damaged);
        ASSERT_EQ(entries.size(), 1u) << c.what;
        EXPECT_EQ(entries[0].props.size(), c.props) << c.what;
    }
}

}  // namespace
}  // namespace kivo::wab
