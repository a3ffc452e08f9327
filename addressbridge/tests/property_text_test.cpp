#include "addressbridge/address_book_connection.h"
#include "addressbridge/contact_list.h"

#include <gtest/gtest.h>

namespace kivo::contactbridge {
namespace {

TEST(PropertyText, TextByTypeOfTheExactTag) {
    char name[] = "Lee";
    uint8_t bytes[] = {1, 2};
    SPropValue props[8] = {};
    props[0].ulPropTag = PR_SURNAME;
    props[0].Value.lpszA = name;
    props[1].ulPropTag = PropTag(PT_I2, 0x8001);
    props[1].Value.i = -7;
    props[2].ulPropTag = PropTag(PT_LONG, 0x8002);
    props[2].Value.l = 123456;
    props[3].ulPropTag = PropTag(PT_BOOLEAN, 0x8003);
    props[3].Value.b = 1;
    props[4].ulPropTag = PropTag(PT_BINARY, 0x8004);
    props[4].Value.bin = {2, bytes};
    props[5].ulPropTag = PropTag(PT_MV_STRING8, 0x8005);
    props[6].ulPropTag = PropTag(PT_DOUBLE, 0x8006);
    props[7].ulPropTag = PropTag(PT_ERROR, PropId(PR_GIVEN_NAME));
    props[7].Value.err = MAPI_E_NOT_FOUND;
    AddressBookConnection connection;
    EXPECT_EQ(PropertyText(connection, PR_SURNAME), "");
    // Owned by the test: no allocator frees it.
    connection.ContactProps.reset(props);
    connection.ContactPropCount = 8;
    struct Case {
        uint32_t tag;
        std::string text;
    };
    const Case cases[] = {
        {PR_SURNAME, "Lee"},
        {PropTag(PT_I2, 0x8001), "-7"},
        {PropTag(PT_LONG, 0x8002), "123456"},
        {PropTag(PT_BOOLEAN, 0x8003), "1"},
        {PropTag(PT_BINARY, 0x8004), "Binary data"},
        {PropTag(PT_MV_STRING8, 0x8005), ""},
        {PropTag(PT_DOUBLE, 0x8006), "Unrecognized or undisplayable data"},
        {PR_GIVEN_NAME, ""},
        {PR_HOME_TELEPHONE_NUMBER, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PropertyText(connection, c.tag), c.text) << std::hex << c.tag;
    connection.ContactPropCount = 0;
    EXPECT_EQ(PropertyText(connection, PR_SURNAME), "");
    connection.ContactProps.release();
}

TEST(ContactName, CutNeverSplitsACharacter) {
    std::string threeByte;
    for (int i = 0; i < 400; ++i)
        threeByte += "김";
    EXPECT_EQ(ContactName(threeByte, "").size(), 1023u);
    EXPECT_EQ(ContactName("a" + threeByte, "").size(), 1021u);
    EXPECT_EQ(ContactName(" ", " "), "");
}

}  // namespace
}  // namespace kivo::contactbridge
