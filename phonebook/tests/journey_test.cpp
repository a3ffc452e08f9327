// A book written by dialbook goes to the player's Flash memory through the explorer's copy
// command, comes back through the link library, and opens with the same entries.
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "phonebook/tests/form_fixture.h"
#include "platform/win/clock.h"

namespace kivo::phonebook::testing {
namespace {

using Journey = FormTest;

TEST_F(Journey, BookCopiedToThePlayerAndBackOpensWithTheSameEntries) {
    ScopedEnv packs("KIVO_PACK_DIR", KIVO_BUILT_PACKS);  // the suite's texts and pictures
    // A player of its own, however the test is started: a player kept in a shared folder may
    // hold an earlier run's book or be claimed by another process.
    ScopedEnv player("KIVO_PLAYER", "mem");
    ScopedEnv data("XDG_DATA_HOME", (dir_.path() / "data").string());
    ScopedEnv korean("KIVO_LANGID", "0412");
    ScopedEnv home("HOME", dir_.path().string());
    ScopedVirtualClock clock;
    Add("\xea\xb9\x80\xec\xb2\xa0\xec\x88\x98", "010-1234-5678", "02-555-0101");
    Add("Lee Ann", "010-9876-5432");
    std::string longName;
    for (int i = 0; i < 16; ++i)
        longName += "\xed\x95\x9c";  // one syllable more than the name field holds
    Add(longName, "031-1");
    std::string book = Path("BOOK.TEL");
    dialogs_.AnswerSave(book);
    Form().Save1Click();
    std::vector<Entry> written = Form().Entries();
    written[2].name.resize(written[2].name.size() - 3);  // the last syllable did not fit

    kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    ASSERT_EQ(link.Bind(), "");
    link.SetPortKind(kivo::explorer::lptctrl::kParallelPort);
    TMainFrm explorer;
    explorer.Connect1Click();
    ASSERT_EQ(explorer.LastResult, 0);
    boxes_.Answer(IDYES);  // copy to the Flash memory?
    dialogs_.AnswerOpen({book});
    explorer.CopyToFlashMemoryClick();
    const ListViewControl& files = explorer.listFlashMemory->control();
    int index = -1;
    for (int row = 0; row < files.RowCount(); ++row)
        if (files.Cell(row, 0) == "BOOK.TEL")
            index = std::stoi(files.Cell(row, 3));
    ASSERT_GE(index, 0) << "the book is not on the player";
    std::string back = Path("back.TEL");
    ASSERT_EQ(link.PX_CopyFromInternalMemory(index, back.c_str()), 0);
    EXPECT_EQ(Slurp(back), Slurp(book));

    DropForm();
    dialogs_.AnswerOpen({back});
    Form().Open1Click();
    EXPECT_EQ(Form().Entries(), written);
}

}  // namespace
}  // namespace kivo::phonebook::testing
