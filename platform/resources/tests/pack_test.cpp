#include "platform/resources/pack.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Pack, ReadsIdentifiersTextsAndEscapes) {
    kivo::resources::ParsedPack pack = kivo::resources::ParsePack(
        "\xEF\xBB\xBF# comment\r\n"
        "\r\n"
        "10000\t&File\r\n"
        "10120\tError %s\\r\\nagain\n"
        "7\t\n"
        "65535\ta\\tb\\\\c\twith a tab\n"
        "10900\t\xEC\xA0\x84\xED\x99\x94\xEB\xB2\x88\xED\x98\xB8");
    ASSERT_EQ(pack.error, "");
    EXPECT_EQ(pack.strings.size(), 5u);
    EXPECT_EQ(pack.strings[10000], "&File");
    EXPECT_EQ(pack.strings[10120], "Error %s\r\nagain");
    EXPECT_EQ(pack.strings[7], "");
    EXPECT_EQ(pack.strings[65535], "a\tb\\c\twith a tab");
    EXPECT_EQ(pack.strings[10900], "\xEC\xA0\x84\xED\x99\x94\xEB\xB2\x88\xED\x98\xB8");
}

TEST(Pack, RefusesAFaultyLineWithItsNumberAndKeepsNothing) {
    struct Case {
        const char* text;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"1\tok\n2 no tab\n", "line 2: no tab between identifier and text"},
        {"x1\ttext\n", "line 1: identifier is not a number 0 to 65535"},
        {"\tempty identifier\n", "line 1: identifier is not a number 0 to 65535"},
        {"65536\ttoo big\n", "line 1: identifier is not a number 0 to 65535"},
        {"-1\tnegative\n", "line 1: identifier is not a number 0 to 65535"},
        {"1\tbad \\q escape\n", "line 1: unknown escape (use \\r, \\n, \\t or \\\\)"},
        {"1\tends in \\", "line 1: unknown escape (use \\r, \\n, \\t or \\\\)"},
        {"# c\n1\ta\n01\tb\n", "line 3: identifier 1 given twice"},
        {"1\tcaf\xE9\n", "line 1: not UTF-8 text"},
        {"1\t\xE4\xB8\n", "line 1: not UTF-8 text"},
    };
    for (const auto& c : cases) {
        kivo::resources::ParsedPack pack = kivo::resources::ParsePack(c.text);
        EXPECT_EQ(pack.error, c.error) << c.text;
        EXPECT_TRUE(pack.strings.empty());
    }
}
