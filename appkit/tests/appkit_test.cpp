#include "appkit/language.h"
#include "appkit/list_cells.h"
#include "appkit/messages.h"
#include "appkit/texts.h"

#include "platform/resources/library.h"
#include "platform/win/application.h"
#include "platform/win/listview.h"
#include "platform/win/testing/scripted_msgbox.h"
#include "testing/scoped_env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using kivo::test::ScopedEnv;

TEST(FormatText, FillsNumberedPlaceholdersAndNothingElse) {
    struct Case {
        std::string format;
        std::vector<std::string> values;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"No Flash memory.%1Connect the player.",
         {"\r\n"},
         "No Flash memory.\r\nConnect the player."},
        {"%2 before %1", {"a", "b"}, "b before a"},
        {"%1 and %1", {"x"}, "x and x"},
        {"100%% done", {}, "100% done"},
        {"missing %2.", {"only"}, "missing ."},
        // Values and stray signs are never formats: no printf can see them.
        {"%1", {"%s%n%1"}, "%s%n%1"},
        {"%s %d %", {"x"}, "%s %d %"},
        {"%0 %a", {"x"}, "%0 %a"},
        {"", {"x"}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatText(c.format, c.values), c.expected) << c.format;
}

TEST(ShowAppMessage, UsesTheApplicationTitleAndWindowAndGivesTheAnswer) {
    ScriptedMessageBoxes boxes;
    CallbackWindow main([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    SetApplicationWindow(main.handle());
    for (const char* title : {"kivo Explorer - Q Series", "Telephone Book"}) {
        SetApplicationTitle(title);
        boxes.Answer(IDYES);
        EXPECT_EQ(ShowAppMessage("Delete the file?", 36), IDYES);
        EXPECT_EQ(ShowAppMessage("Done", 64), IDOK);
        EXPECT_EQ(boxes.shown().back().caption, title);
    }
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[0].text, "Delete the file?");
    EXPECT_EQ(boxes.shown()[0].flags, 36u);
    EXPECT_EQ(boxes.shown()[0].owner, main.handle());
    SetApplicationWindow(nullptr);
}

TEST(GetListViewCellText, ReadsCellsThroughTheWindow) {
    ListViewControl list;
    const std::string cells[] = {"1000", "MPEG Audio File", "6", "0", "00:01:02"};
    list.InsertRow(0, "a.mp3", 0);
    for (int column = 1; column <= 5; ++column)
        list.SetCell(0, column, cells[column - 1]);
    list.InsertRow(1, std::string(2000, 'n'), 0);
    list.SetCell(1, 1, "5");
    EXPECT_EQ(GetListViewCellText(list.handle(), 0, 0), "a.mp3");
    EXPECT_EQ(GetListViewCellText(list.handle(), 0, 5), "00:01:02");
    EXPECT_EQ(GetListViewCellText(list.handle(), 1, 0), std::string(1023, 'n'));
    EXPECT_EQ(GetListViewCellText(list.handle(), 1, 4), "");
    EXPECT_EQ(GetListViewCellText(list.handle(), 2, 0), "");
    EXPECT_EQ(GetListViewCellText(nullptr, 0, 0), "");
}

TEST(LoadModuleString, ReadsThroughTheResourceLibrary) {
    ScopedEnv packs("KIVO_PACK_DIR", KIVO_TEST_PACKS);
    ResourceLibrary english("textpacken.DLL");
    ASSERT_TRUE(english);
    EXPECT_EQ(LoadModuleString(english.handle(), 10001), "Connect");
    EXPECT_EQ(LoadModuleString(english.handle(), 10999), "");
    EXPECT_EQ(LoadModuleString(nullptr, 10001), "");
}

TEST(SystemLanguage, GivesThePrimaryAndSubLanguageAndTheTextPack) {
    struct Case {
        uint16_t id, primary, sub;
        std::string pack;
    };
    const std::vector<Case> cases = {
        {0x0412, kLangKorean, 1, "textpackkr.DLL"},  {0x0411, kLangJapanese, 1, "textpacken.DLL"},
        {0x0404, kLangChinese, 1, "textpacken.DLL"}, {0x0804, kLangChinese, 2, "textpacken.DLL"},
        {0x0409, 0x09, 1, "textpacken.DLL"},         {0xFC00 | 0x3FF, 0x3FF, 63, "textpacken.DLL"},
    };
    for (const Case& c : cases) {
        char id[8];
        std::snprintf(id, sizeof id, "%04x", c.id);
        ScopedEnv lang("KIVO_LANGID", id);
        EXPECT_EQ(SystemPrimaryLang(), c.primary) << id;
        EXPECT_EQ(SystemSubLang(), c.sub) << id;
        EXPECT_EQ(TextPackName(), c.pack) << id;
    }
}
