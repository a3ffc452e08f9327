#include "platform/wab/vcard.h"
#include "platform/wab/testing/fixture_writer.h"

#include <gtest/gtest.h>

namespace kivo::wab {
namespace {

using fixture::Card;
using fixture::Contact;
using fixture::WriteVCard;

struct Texts {
    std::string surname, given, home, business, display;
    bool operator==(const Texts&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Texts& t) {
    return os << "{" << t.surname << "|" << t.given << "|" << t.home << "|" << t.business << "|"
              << t.display << "}";
}

std::string Text(const StoredEntry& e, uint32_t tag8) {
    for (const auto& p : e.props)
        if (p.tag == PropTag(PT_UNICODE, PropId(tag8)))
            return p.bytes;
    return "";
}

Texts TextsOf(const StoredEntry& e) {
    return {Text(e, PR_SURNAME), Text(e, PR_GIVEN_NAME), Text(e, PR_HOME_TELEPHONE_NUMBER),
            Text(e, PR_BUSINESS_TELEPHONE_NUMBER), Text(e, PR_DISPLAY_NAME)};
}

std::vector<Texts> Read(const std::string& file) {
    std::vector<Texts> out;
    for (const auto& e : ReadVCards(file))
        out.push_back(TextsOf(e));
    return out;
}

const Contact kFull{.surname = "van Dyke",
                    .given = "Jo",
                    .home = "+1 555 0101",
                    .business = "+1 555 0202",
                    .display = "Jo van Dyke"};
const Texts kFullTexts{"van Dyke", "Jo", "+1 555 0101", "+1 555 0202", "Jo van Dyke"};

TEST(VCard, WrittenCardsOfEveryVersionReadBack) {
    struct Case {
        const char* what;
        Card card;
    };
    const Case cases[] = {
        {"2.1", Card{.contact = kFull, .version = "2.1"}},
        {"3.0", Card{.contact = kFull, .version = "3.0"}},
        {"4.0 with tel: addresses", Card{.contact = kFull, .version = "4.0"}},
        {"folded lines", Card{.contact = kFull, .version = "3.0", .foldAt = 5}},
        {"2.1 quoted-printable UTF-8 with soft breaks",
         Card{.contact = kFull, .version = "2.1", .quotedPrintableCharset = "UTF-8"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(WriteVCard(c.card)), std::vector{kFullTexts}) << c.what;
}

TEST(VCard, CharsetParameterConvertsToUtf8) {
    Contact c{.surname = "Müller", .given = "Jörg", .home = "1"};
    EXPECT_EQ(Read(WriteVCard(
                  Card{.contact = c, .version = "2.1", .quotedPrintableCharset = "ISO-8859-1"})),
              (std::vector<Texts>{{"Müller", "Jörg", "1", "", ""}}));
    Contact k{.surname = "김", .given = "민수"};
    EXPECT_EQ(
        Read(WriteVCard(Card{.contact = k, .version = "2.1", .quotedPrintableCharset = "CP949"})),
        (std::vector<Texts>{{"김", "민수", "", "", ""}}));
}

TEST(VCard, SeveralCardsInOneFileInOrderAndGroupsAsLists) {
    std::string file =
        WriteVCard(Card{.contact = {.surname = "A"}}) +
        WriteVCard(Card{.contact = {.display = "Team"}, .group = true}) +
        WriteVCard(Card{.contact = {.display = "Team4"}, .version = "4.0", .group = true}) +
        WriteVCard(Card{.contact = {.surname = "B"}, .version = "2.1"});
    auto entries = ReadVCards(file);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(Text(entries[0], PR_SURNAME), "A");
    EXPECT_EQ(entries[0].objectType, MAPI_MAILUSER);
    EXPECT_EQ(entries[1].objectType, MAPI_DISTLIST);
    EXPECT_EQ(entries[2].objectType, MAPI_DISTLIST);
    EXPECT_EQ(Text(entries[3], PR_SURNAME), "B");
}

// Hand-written lines for what exporters do that the writer does not.
TEST(VCard, LinesAsExportersWriteThem) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<Texts> expected;
    };
    const Case cases[] = {
        {"byte-order mark, blank lines, LF only, lower case",
         "\xEF\xBB\xBF\n\nbegin:vcard\nversion:3.0\nn:Lee;Ann\ntel;type=home:1\nend:vcard\n",
         {{"Lee", "Ann", "1", "", ""}}},
        {"grouped properties and a quoted type list",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nitem1.N:Lee;Ann;;;\r\nitem2.TEL;TYPE=\"voice,work\":"
         "2\r\nEND:VCARD\r\n",
         {{"Lee", "Ann", "", "2", ""}}},
        {"escaped separators stay in the name",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith\\; Jr.;Ann\\,Marie\r\nFN:A\\nB\r\nEND:VCARD\r\n",
         {{"Smith; Jr.", "Ann,Marie", "", "", "A\nB"}}},
        {"first home and work voice numbers count, others are passed over",
         "BEGIN:VCARD\r\nTEL;CELL:9\r\nTEL;HOME:1\r\nTEL;HOME:3\r\nTEL;WORK;FAX:2\r\nTEL;WORK:"
         "4\r\nEND:VCARD\r\n",
         {{"", "", "1", "4", ""}}},
        {"a number marked voice counts whatever else it is marked",
         "BEGIN:VCARD\r\nTEL;HOME;FAX:1\r\nTEL;HOME;VOICE;FAX:2\r\nEND:VCARD\r\n",
         {{"", "", "2", "", ""}}},
        {"a preference outside 1 to 100 is none",
         "BEGIN:VCARD\r\nTEL;TYPE=HOME:1\r\nTEL;TYPE=HOME;PREF=0:2\r\nTEL;TYPE=HOME;PREF=x:3\r\n"
         "TEL;TYPE=HOME;PREF=99999999999:4\r\nTEL;TYPE=HOME;PREF=100:5\r\nEND:VCARD\r\n",
         {{"", "", "5", "", ""}}},
        {"an empty preferred number does not hide the first one",
         "BEGIN:VCARD\r\nTEL;WORK:1\r\nTEL;WORK;PREF:\r\nEND:VCARD\r\n",
         {{"", "", "", "1", ""}}},
        {"one number both home and work",
         "BEGIN:VCARD\r\nTEL;TYPE=HOME,WORK:5\r\nEND:VCARD\r\n",
         {{"", "", "5", "5", ""}}},
        {"an embedded agent card is no entry of its own",
         "BEGIN:VCARD\r\nN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nN:Agent\r\nEND:VCARD\r\nTEL;HOME:"
         "1\r\nEND:VCARD\r\n",
         {{"Boss", "", "1", "", ""}}},
        {"a card cut off keeps what it has",
         "BEGIN:VCARD\r\nN:Lee;Ann\r\nTEL;HO",
         {{"Lee", "Ann", "", "", ""}}},
        {"base64 values and lines without a colon are passed over",
         "BEGIN:VCARD\r\nPHOTO;ENCODING=BASE64:AAAA\r\nnonsense\r\nN:Lee\r\nEND:VCARD\r\n",
         {{"Lee", "", "", "", ""}}},
        {"bytes that are not UTF-8 become _",
         "BEGIN:VCARD\r\nN:M\xFCller\r\nEND:VCARD\r\n",
         {{"M_ller", "", "", "", ""}}},
        {"an unknown charset keeps checked bytes",
         "BEGIN:VCARD\r\nN;CHARSET=X-NONE:Lee\r\nEND:VCARD\r\n",
         {{"Lee", "", "", "", ""}}},
        {"broken quoted-printable escapes stay literal",
         "BEGIN:VCARD\r\nN;ENCODING=QUOTED-PRINTABLE:A=4=ZZ=41\r\nEND:VCARD\r\n",
         {{"A=4=ZZA", "", "", "", ""}}},
        {"text before the first card",
         "BEGIN:VCARD\r\nEND:VCARD\r\nstray\r\nBEGIN:VCARD\r\nN:B\r\nEND:VCARD",
         {{"", "", "", "", ""}, {"B", "", "", "", ""}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.file), c.expected) << c.what;
}

TEST(VCard, RecognisedByItsFirstLineOnly) {
    EXPECT_TRUE(LooksLikeVCard("  \r\nBEGIN:VCARD\r\n"));
    EXPECT_TRUE(LooksLikeVCard("Begin:VCard"));
    EXPECT_FALSE(LooksLikeVCard("BEGIN:VCALENDAR\r\n"));
    EXPECT_FALSE(LooksLikeVCard("name,phone\r\nBEGIN:VCARD\r\n"));
    EXPECT_FALSE(LooksLikeVCard(""));
    EXPECT_TRUE(LooksLikeVCard("\r\nitem-1.BEGIN:VCARD\r\n"));
    EXPECT_FALSE(LooksLikeVCard(".BEGIN:VCARD\r\n"));
    EXPECT_FALSE(LooksLikeVCard("item 1.BEGIN:VCARD\r\n"));
    using namespace std::string_literals;
    EXPECT_TRUE(LooksLikeVCard("\xFF\xFE\r\0\n\0B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D\0"s));
    EXPECT_TRUE(LooksLikeVCard("\xFE\xFF\0B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D"s));
    EXPECT_FALSE(LooksLikeVCard("\xFF\xFE\0B\0E\0G\0I\0N\0:\0V\0C\0A\0R\0D"s));
    EXPECT_TRUE(ReadVCards("name\r\nBEGIN:VCARD\r\nN:X\r\nEND:VCARD").empty());
}

}  // namespace
}  // namespace kivo::wab
