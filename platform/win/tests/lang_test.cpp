#include "platform/win/lang.h"

#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

namespace {

struct ConversionCase {
    uint32_t codePage;
    std::string utf8;
    std::string bytes;
};

// Each text goes to its code page and comes back unchanged.
const std::vector<ConversionCase> kRoundTrips = {
    {949, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4", "\xC7\xD1\xB1\xB9\xBE\xEE"},  // Korean
    {949, "\xEA\xB5\xB4\xEB\xA6\xBC", "\xB1\xBC\xB8\xB2"},  // the Gulim font's name
    {936, "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},  // Chinese, simplified
    {950, "\xE4\xB8\xAD\xE6\x96\x87", "\xA4\xA4\xA4\xE5"},  // Chinese, traditional
    {950, "\xE9\xAB\x94", "\xC5\xE9"},                      // a traditional-only character
    {932, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\x93\xFA\x96\x7B\x8C\xEA"},  // Japanese
    {932, "\xEF\xBD\xB6", "\xB6"},                                              // half-width ka
    {1252, "caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 \x80"},
    {949, "VOICE001.SC4", "VOICE001.SC4"},
    {949, "", ""},
};

}  // namespace

TEST(CodePage, TextsGoToTheirCodePageAndBack) {
    for (const auto& c : kRoundTrips) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(ToCodePage(c.codePage, c.utf8), c.bytes);
        EXPECT_EQ(FromCodePage(c.codePage, c.bytes), c.utf8);
    }
}

TEST(CodePage, WhatTheTargetCannotHoldBecomesOneUnderscore) {
    const std::vector<ConversionCase> cases = {
        {1252,
         "a\xED\x95\x9C"
         "b",
         "a_b"},                                  // Hangul on a western system
        {932, "\xED\x95\x9C\xEA\xB5\xAD", "__"},  // Hangul in Japanese
        {949, "x\xF0\x9F\x98\x80y", "x_y"},       // a character beyond the plane
        {936,
         "\xED\x95\x9C"
         "1",
         "_1"},  // Hangul in simplified Chinese
        {949,
         "a\xFF"
         "b",
         "a_b"},                   // not UTF-8
        {949, "a\xE4\xB8", "a_"},  // a sequence cut at the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(ToCodePage(c.codePage, c.utf8), c.bytes);
    }
    EXPECT_EQ(FromCodePage(949, "ab\xC7"), "ab_");  // a lead byte without its trail
    EXPECT_EQ(FromCodePage(1252,
                           "a\x81"
                           "b"),
              "a_b");  // a byte 1252 leaves undefined
}

TEST(CodePage, LongTextsConvertWhole) {
    std::string utf8, bytes;
    for (int i = 0; i < 1000; ++i) {
        utf8 +=
            "\xED\x95\x9C"
            "a";
        bytes +=
            "\xC7\xD1"
            "a";
    }
    EXPECT_EQ(ToCodePage(949, utf8), bytes);
    EXPECT_EQ(FromCodePage(949, bytes), utf8);
}

TEST(CodePage, FollowsTheLanguage) {
    const std::vector<std::pair<uint16_t, uint32_t>> cases = {
        {0x0412, 949}, {0x0411, 932}, {0x0804, 936},  {0x1004, 936},  {0x0404, 950},
        {0x0C04, 950}, {0x1404, 950}, {0x0409, 1252}, {0x0407, 1252}, {0x0000, 1252},
    };
    for (auto [lang, codePage] : cases)
        EXPECT_EQ(CodePageForLang(lang), codePage) << lang;
}

namespace {

struct LangCase {
    std::optional<std::string> langId, lcAll, lcMessages, lang;
    uint16_t expected;
};

}  // namespace

TEST(SystemLanguage, ComesFromKivoLangIdOrElseTheLocale) {
    const std::vector<LangCase> cases = {
        {"0412", "en_US.UTF-8", std::nullopt, std::nullopt, 0x0412},
        {"804", std::nullopt, std::nullopt, std::nullopt, 0x0804},
        {"c0a", std::nullopt, std::nullopt, std::nullopt, 0x0C0A},
        // Not a language identifier: the locale decides.
        {"korean", std::nullopt, std::nullopt, "ko_KR.UTF-8", 0x0412},
        {"10412", std::nullopt, std::nullopt, "ja_JP.UTF-8", 0x0411},
        {"", std::nullopt, std::nullopt, "zh_TW.UTF-8", 0x0404},
        {std::nullopt, "ko_KR.UTF-8", "ja_JP.UTF-8", "en_US.UTF-8", 0x0412},
        {std::nullopt, "", "ja_JP.UTF-8", "ko_KR", 0x0411},
        {std::nullopt, std::nullopt, std::nullopt, "zh_HK.Big5", 0x0404},
        {std::nullopt, std::nullopt, std::nullopt, "zh_CN.GB18030", 0x0804},
        {std::nullopt, std::nullopt, std::nullopt, "zh_SG", 0x0804},
        {std::nullopt, std::nullopt, std::nullopt, "zh_MO.UTF-8", 0x0409},
        {std::nullopt, std::nullopt, std::nullopt, "ko", 0x0412},
        {std::nullopt, std::nullopt, std::nullopt, "ja_JP@euro", 0x0411},
        {std::nullopt, std::nullopt, std::nullopt, "kok_IN", 0x0409},
        {std::nullopt, std::nullopt, std::nullopt, "C.UTF-8", 0x0409},
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0x0409},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang.value_or("-") + " / " + c.langId.value_or("-"));
        ScopedEnv id("KIVO_LANGID", c.langId), all("LC_ALL", c.lcAll),
            messages("LC_MESSAGES", c.lcMessages), lang("LANG", c.lang);
        EXPECT_EQ(GetSystemDefaultLangID(), c.expected);
    }
}

TEST(SystemLanguage, GivesTheCodePageOfTheSystem) {
    {
        ScopedEnv id("KIVO_LANGID", "0412");
        EXPECT_EQ(GetACP(), 949u);
        EXPECT_EQ(ToAnsi("\xEA\xB5\xB4\xEB\xA6\xBC"), "\xB1\xBC\xB8\xB2");
        EXPECT_EQ(FromAnsi("\xB1\xBC\xB8\xB2"), "\xEA\xB5\xB4\xEB\xA6\xBC");
    }
    ScopedEnv id("KIVO_LANGID", "0409");
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(PrimaryLangOf(0x0804), 0x04);
    EXPECT_EQ(SubLangOf(0x0804), 2);
}

TEST(CodePage, LeadBytesOfTheDoubleByteCodePages) {
    struct Case {
        uint32_t codePage;
        uint8_t byte;
        bool lead;
    };
    const Case cases[] = {
        {949, 0xC7, true},   {949, 0x81, true},   {949, 0xFE, true}, {949, 0x80, false},
        {949, 0x41, false},  {949, 0xFF, false},  {932, 0x93, true}, {932, 0xE0, true},
        {932, 0xB6, false},  {932, 0xFD, false},  {936, 0xD6, true}, {950, 0xA4, true},
        {1252, 0xE9, false}, {1252, 0x81, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsDBCSLeadByteEx(c.codePage, c.byte), c.lead) << c.codePage << " " << +c.byte;
}

TEST(CodePage, WellFormedUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"Kim,010-123", true},
        {"\xED\x95\x9C\xEA\xB5\xAD", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xC7\xD1\xB1\xB9", false},  // code page 949
        {"caf\xE9", false},           // code page 1252
        {"a\xE4\xB8", false},         // cut at the end
        {"\xC0\x80", false},          // overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {std::string("a\0b", 3), true},
        {"\xEF\xBB\xBFname,home", true},  // with a byte-order mark
    };
    for (const auto& [bytes, valid] : cases)
        EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}
