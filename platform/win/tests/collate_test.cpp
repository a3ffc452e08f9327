#include "platform/win/collate.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Collate, ComparesAlphabeticallyThenByCaseThenByBytes) {
    struct Case {
        const char* first;
        const char* second;
        int expected;
    };
    const std::vector<Case> cases = {
        {"abc", "abc", 0},
        {"a", "B", -1},  // letters before case
        {"B", "a", 1},
        {"a", "A", -1},    // same letter: lower case first
        {"Ab", "aC", -1},  // a later letter outweighs an earlier case
        {"10", "9", -1},   // character by character, not by number
        {"9", "a", -1},    // digits before letters
        {" z", "a", -1},   // blanks and punctuation before digits and letters
        {"_a", "a", -1},
        {"ab", "abc", -1},  // a prefix first
        {"", "a", -1},
        {nullptr, "", 0},
        {"z", "\xEA\xB0\x80", -1},  // beyond ASCII after it
        {"\xEA\xB0\x80", "\xEA\xB0\x81", -1},
        {"Lee Ann", "lee ann", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lstrcmpA(c.first, c.second), c.expected)
            << (c.first ? c.first : "null") << " / " << c.second;
        EXPECT_EQ(lstrcmpA(c.second, c.first), -c.expected);
    }
}
