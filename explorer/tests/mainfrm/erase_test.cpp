// Deleting and formatting through the main window and the real links.
#include "explorer/tests/mainfrm/player_fixture.h"

#include <QLabel>
#include <QToolButton>

using Erase = PlayerTest;
INSTANTIATE_TEST_SUITE_P(Ports, Erase, testing::Values(0, 1), PortName);

TEST_P(Erase, DeleteGoesFromTheLastSelectedRowToTheFirstAndListsAgain) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"})
        player->Put(kFlash, name, Bytes(100, name[0]));
    player->Put(kCard, "x.mp3", Bytes(100, 'x'));
    TMainFrm& f = Open();
    ASSERT_EQ(f.listFlashMemory->control().RowCount(), 5);
    const std::string second = f.listFlashMemory->control().Cell(1, 0);
    const std::string fifth = f.listFlashMemory->control().Cell(4, 0);
    // The first delete the player takes fails: it must be the fifth row's.
    Select(f, f.listFlashMemory, {second, fifth});
    player->Control("fault short-write delete.index");
    player->Put(kCard, "new.mp3", Bytes(10, 'n'));  // behind the lists' back
    boxes.Answer(IDYES);
    f.sbTrash->click();
    ASSERT_EQ(Texts().size(), 2u);
    EXPECT_EQ(Texts()[0], "E10424");
    EXPECT_EQ(Texts()[1].substr(0, 6), "E10120");
    EXPECT_EQ(Names(f.listFlashMemory).size(), 5u);
    // Listed again after the error.
    EXPECT_EQ(Names(f.listSmartMedia), (std::vector<std::string>{"new.mp3", "x.mp3"}));

    // Without the fault both go, the fifth first, and the lists are read again.
    player->Control("fault none");
    Select(f, f.listFlashMemory, {second, fifth});
    boxes.Answer(IDYES);
    f.Delete1->trigger();
    std::vector<std::string> left = Names(f.listFlashMemory);
    EXPECT_EQ(left.size(), 3u);
    EXPECT_EQ(std::count(left.begin(), left.end(), second), 0);
    EXPECT_EQ(std::count(left.begin(), left.end(), fifth), 0);
    EXPECT_EQ(player->Files().find(" " + second), std::string::npos);
    EXPECT_FALSE(f.Busy);
}

TEST_P(Erase, DeleteKeyOnAListDeletesFromThatMemory) {
    player->Put(kFlash, "keep.mp3", Bytes(100, 'k'));
    player->Put(kCard, "gone.mp3", Bytes(100, 'g'));
    TMainFrm& f = Open();
    f.listSmartMedia->SetRowSelected(RowOf(f.listSmartMedia, "gone.mp3"), true);
    boxes.Answer(IDYES);
    f.listSmartMediaKeyDown(Qt::Key_Delete);
    EXPECT_EQ(f.ActiveMemory, 1);
    EXPECT_TRUE(Names(f.listSmartMedia).empty());
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"keep.mp3"});
    // No selection: told so, nothing asked.
    f.listFlashMemoryKeyDown(Qt::Key_Delete);
    EXPECT_EQ(Texts().back(), "E10438");
    // Answered No: nothing deleted.
    Select(f, f.listFlashMemory, {"keep.mp3"});
    f.Delete2->trigger();
    EXPECT_EQ(Texts().back(), "E10424");
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"keep.mp3"});
}

TEST_P(Erase, FormatEitherMemoryWithAndWithoutACard) {
    struct Case {
        uint8_t memory;
        bool card;
        std::vector<std::string> texts;  // what the user sees
        bool formatted;
    };
    const Case cases[] = {
        {kFlash, true, {"E10425"}, true},
        {kFlash, false, {"E10425"}, true},
        {kCard, true, {"E10426"}, true},
        {kCard, false, {"E10120"}, false},  // no card: told before any question
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.memory) << c.card);
        const size_t shown = boxes.shown().size();
        player->Reset();
        if (!c.card)
            player->Control("card none");
        player->Put(kFlash, "f.mp3", Bytes(100, 'f'));
        if (c.card)
            player->Put(kCard, "c.mp3", Bytes(100, 'c'));
        TMainFrm& f = Open();
        f.SetActiveMemory(c.memory);
        boxes.Answer(IDYES);
        f.Format2Click();
        std::vector<std::string> texts = Texts(shown);
        for (std::string& text : texts)
            text = text.substr(0, 6);
        EXPECT_EQ(texts, c.texts);
        kivo::ui::ListView* list = c.memory == kFlash ? f.listFlashMemory : f.listSmartMedia;
        EXPECT_EQ(list->control().RowCount(), c.formatted || !c.card ? 0 : 1);
        if (c.memory == kFlash) {
            // The Flash memory keeps the tag as its serial file; the card's files stay.
            EXPECT_EQ(player->Get(1), std::string("KIVO\0\0\0\0", 8));
            EXPECT_EQ(f.listSmartMedia->control().RowCount(), c.card ? 1 : 0);
        } else if (c.card) {
            EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"f.mp3"});
        }
        EXPECT_EQ(f.sbBottom[0]->text(), "");
        EXPECT_FALSE(f.Busy);
    }
}

// A player that refuses a step of the card's format: the user is told, and the card, now
// without a format and so read as 0 bytes after a refresh, can be formatted again.
TEST_P(Erase, ARefusedCardFormatIsToldAndTheCardStaysFormattable) {
    for (const char* step : {"erase", "image"}) {
        SCOPED_TRACE(step);
        player->Reset();
        player->Put(kCard, "c.mp3", Bytes(100, 'c'));
        player->Control(std::string("fault code24 ") + step);
        TMainFrm& f = Open();
        const size_t shown = boxes.shown().size();
        boxes.Answer(IDYES);
        f.KivoCard1Click();
        std::vector<std::string> texts = Texts(shown);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].substr(0, 6), "E10426");
        EXPECT_EQ(texts[1].substr(0, 6), "E10120");
        EXPECT_EQ(boxes.shown().back().flags, MB_OK | MB_ICONERROR);
        EXPECT_FALSE(f.Busy);

        player->Control("fault none");
        f.Connect1Click();
        boxes.Answer(IDYES);
        f.KivoCard1Click();
        texts = Texts(shown + 2);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].substr(0, 6), "E10426");
        EXPECT_GT(kivo::explorer::lptctrl::Selector().PX_ExternalTotalMemory(), 0);
    }
}

TEST_P(Erase, FormatAnsweredNoOrWithoutACurrentMemoryDoesNothing) {
    player->Put(kFlash, "f.mp3", Bytes(100, 'f'));
    TMainFrm& f = Open();
    f.FlashMemory1->trigger();  // answered No
    EXPECT_EQ(Texts(), std::vector<std::string>{"E10425"});
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"f.mp3"});
    f.ActiveMemory = 2;
    f.Format2->trigger();
    EXPECT_EQ(Texts().size(), 1u);
    EXPECT_NE(player->Files().find("f.mp3"), std::string::npos);
}

TEST_P(Erase, WithoutALinkEveryCommandSaysSo) {
    player->Put(kFlash, "f.mp3", Bytes(100, 'f'));
    TMainFrm& f = Open();
    f.SetPortKind(2);
    TempDir pc;
    Select(f, f.listFlashMemory, {"f.mp3"});
    PickFolder(pc.path());
    f.PC1Click();
    EXPECT_EQ(Texts().back().substr(0, 6), "E10120");
    EXPECT_TRUE(FolderNames(pc.path()).empty());
    Select(f, f.listFlashMemory, {"f.mp3"});
    boxes.Answer(IDYES);
    f.Delete1Click();
    EXPECT_EQ(Texts().back().substr(0, 6), "E10120");
    const size_t shown = boxes.shown().size();
    f.FlashMemory1Click();
    ASSERT_EQ(Texts(shown).size(), 1u);  // no question
    EXPECT_EQ(Texts(shown)[0].substr(0, 6), "E10120");
    EXPECT_NE(player->Files().find("f.mp3"), std::string::npos);
}
