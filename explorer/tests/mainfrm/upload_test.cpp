// Copying PC files to the player through the main window and the real links: the open dialog,
// drops, limits, space, replacements and the refusals.
#include "explorer/tests/mainfrm/player_fixture.h"
#include "platform/ui/application.h"

#include <QLabel>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kPhoneBookType = 2;

}  // namespace

using CopyToPlayer = PlayerTest;
INSTANTIATE_TEST_SUITE_P(Ports, CopyToPlayer, testing::Values(0, 1), PortName);

TEST_P(CopyToPlayer, EveryCommandOnThePlayerRefusesWhileBusy) {
    player->Put(kFlash, "f.mp3", Bytes(100, 'f'));
    TMainFrm& f = Open();
    f.listFlashMemory->SetRowSelected(0, true);
    const std::pair<const char*, void (TMainFrm::*)()> commands[] = {
        {"connect", &TMainFrm::Connect1Click},
        {"copy to Flash", &TMainFrm::CopyToFlashMemoryClick},
        {"copy to card", &TMainFrm::CopyToSmartMediaClick},
        {"copy from PC", &TMainFrm::CopyFromPC1Click},
        {"copy to PC", &TMainFrm::PC1Click},
        {"delete", &TMainFrm::Delete1Click},
        {"format Flash", &TMainFrm::FlashMemory1Click},
        {"format card", &TMainFrm::KivoCard1Click},
        {"format current", &TMainFrm::Format2Click},
    };
    f.SetBusy(true);
    player->Record(true);
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        f.SetStatusText("running", "1 KB / 2 KB", "10 CPS");
        (f.*command)();
        EXPECT_EQ(f.sbBottom[0]->text(), "");
        EXPECT_TRUE(f.Busy);
    }
    EXPECT_EQ(player->CallCount(), 0u);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(dialogs.openRequests().empty());
    EXPECT_EQ(picker.shows(), 0);
    f.SetBusy(false);
}

TEST_P(CopyToPlayer, FileCountLimitsAtTheStartAndDuringTheCopy) {
    struct Case {
        uint8_t memory;
        int already;  // files on the player
        int copied;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {kFlash, 124, 1, {"E10428", "E10702"}},
        {kFlash, 125, 0, {"E10412"}},
        {kCard, 123, 1, {"E10433", "E10703"}},
        {kCard, 124, 0, {"E10416"}},
    };
    TempDir pc;
    std::vector<std::string> chosen;
    for (char c : std::string("vwxyz")) {
        chosen.push_back((pc.path() / (std::string(1, c) + ".mp3")).string());
        WriteFile(chosen.back(), Bytes(64, c));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.memory) << " " << c.already);
        const size_t shown = boxes.shown().size();
        player->Reset();
        for (int i = 0; i < c.already; ++i)
            player->Put(c.memory, "s" + std::to_string(i) + ".mp3", "x");
        TMainFrm& f = Open();
        dialogs.AnswerOpen(chosen);
        boxes.Answer(IDYES);
        (c.memory == kFlash ? f.sbCopyToFlashMemory : f.sbCopyToSmartMedia)->click();
        EXPECT_EQ(Texts(shown), c.texts);
        // The copied file's status (0) lists the player again.
        kivo::ui::ListView* list = c.memory == kFlash ? f.listFlashMemory : f.listSmartMedia;
        EXPECT_EQ(list->control().RowCount(), c.already + c.copied);
        EXPECT_EQ(RowOf(list, "v.mp3") >= 0, c.copied == 1);
        if (c.copied == 1) {
            EXPECT_FALSE(list->control().Cell(RowOf(list, "v.mp3"), 3).empty());
        }
    }
}

TEST_P(CopyToPlayer, FreeSpaceEqualPassesTheFirstCheckAndOneByteOverDoesNot) {
    player->Control("flash 20");
    TMainFrm& f = Open();
    const int64_t free = kivo::explorer::lptctrl::Selector().PX_InternalFreeMemory();
    ASSERT_GT(free, 0);
    TempDir pc;
    struct Case {
        int64_t size;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {free + 1, {"E10114"}},        // refused before the question
        {free, {"E10428", "E10114"}},  // asked, then refused: no free byte would be left
        {free - 1, {"E10428"}},        // copied
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const size_t shown = boxes.shown().size();
        fs::path file = pc.path() / ("f" + std::to_string(c.size) + ".mp3");
        WriteFile(file, Bytes(static_cast<size_t>(c.size), 'f'));
        dialogs.AnswerOpen({file.string()});
        boxes.Answer(IDYES);
        f.CopyToFlashMemoryClick();
        EXPECT_EQ(Texts(shown), c.texts);
    }
    EXPECT_EQ(Names(f.listFlashMemory),
              std::vector<std::string>{"f" + std::to_string(free - 1) + ".mp3"});
}

TEST_P(CopyToPlayer, ASameNameInOtherLetterCaseIsReplacedWhenTheUserSaysSo) {
    player->Put(kFlash, "Song.MP3", Bytes(300, 'o'));
    TMainFrm& f = Open();
    TempDir pc;
    const std::string mine = Bytes(500, 'n');
    WriteFile(pc.path() / "song.mp3", mine);
    // No keeps the player's file.
    dialogs.AnswerOpen({(pc.path() / "song.mp3").string()});
    boxes.Answer(IDYES);
    boxes.Answer(IDNO);
    f.CopyToFlashMemoryClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"E10428", "E10701 song.mp3"}));
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"Song.MP3"});
    // Yes replaces it.
    dialogs.AnswerOpen({(pc.path() / "song.mp3").string()});
    boxes.Answer(IDYES);
    boxes.Answer(IDYES);
    f.CopyToFlashMemoryClick();
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"song.mp3"});
    EXPECT_EQ(player->Get(static_cast<uint8_t>(std::stoi(f.listFlashMemory->control().Cell(0, 3)))),
              mine);
    EXPECT_EQ(ReadFile(pc.path() / "song.mp3"), mine);  // the PC file is only read
}

TEST_P(CopyToPlayer, ANewTelephoneBookReplacesTheOneInTheOtherMemory) {
    player->Put(kCard, "old.tel", Bytes(88, 'o'), kPhoneBookType);
    TMainFrm& f = Open();
    TempDir pc;
    WriteFile(pc.path() / "new.tel", Bytes(176, 'n'));
    // Kept: nothing is copied and nothing more is said.
    dialogs.AnswerOpen({(pc.path() / "new.tel").string()});
    boxes.Answer(IDYES);
    boxes.Answer(IDNO);
    f.CopyToFlashMemoryClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"E10428", "E10126"}));
    EXPECT_NE(player->Files().find("old.tel"), std::string::npos);
    EXPECT_EQ(player->Files().find("new.tel"), std::string::npos);
    // Replaced: the card's book goes, the new one lands in the Flash memory.
    dialogs.AnswerOpen({(pc.path() / "new.tel").string()});
    boxes.Answer(IDYES);
    boxes.Answer(IDYES);
    f.CopyToFlashMemoryClick();
    EXPECT_TRUE(Names(f.listSmartMedia).empty());
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"new.tel"});
}

TEST_P(CopyToPlayer, AFailedDeleteBeforeTheCopyEndsItWithItsStatus) {
    player->Put(kFlash, "old.tel", Bytes(88, 'o'), kPhoneBookType);
    player->Put(kFlash, "same.mp3", Bytes(88, 's'));
    TMainFrm& f = Open();
    TempDir pc;
    WriteFile(pc.path() / "new.tel", Bytes(88, 'n'));
    WriteFile(pc.path() / "same.mp3", Bytes(99, 'm'));
    for (const char* name : {"new.tel", "same.mp3"}) {
        SCOPED_TRACE(name);
        const size_t shown = boxes.shown().size();
        dialogs.AnswerOpen({(pc.path() / name).string()});
        boxes.Answer(IDYES);
        boxes.Answer(IDYES);
        player->Control("fault short-write delete.index");
        f.CopyToFlashMemoryClick();
        player->Control("fault none");
        ASSERT_EQ(Texts(shown).size(), 3u);
        EXPECT_EQ(Texts(shown)[2].substr(0, 6), "E10120");
    }
    // Neither a second book nor a second file of one name.
    EXPECT_EQ(Names(f.listFlashMemory), (std::vector<std::string>{"old.tel", "same.mp3"}));
    EXPECT_EQ(player->Files().find("new.tel"), std::string::npos);
}

TEST_P(CopyToPlayer, AnEmptyFileBetweenOthersIsSkippedWithAWarning) {
    TMainFrm& f = Open();
    TempDir pc;
    WriteFile(pc.path() / "a.mp3", Bytes(100, 'a'));
    WriteFile(pc.path() / "empty.mp3", "");
    WriteFile(pc.path() / "b.mp3", Bytes(200, 'b'));
    dialogs.AnswerOpen({(pc.path() / "a.mp3").string(), (pc.path() / "empty.mp3").string(),
                        (pc.path() / "b.mp3").string()});
    boxes.Answer(IDYES);
    f.CopyToSmartMediaClick();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"E10433", "E10125 empty.mp3"}));
    EXPECT_EQ(boxes.shown()[1].flags, MB_OK | MB_ICONWARNING);
    // Listed again: both have their file index.
    EXPECT_EQ(Names(f.listSmartMedia), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    EXPECT_FALSE(f.listSmartMedia->control().Cell(0, 3).empty());
}

TEST_P(CopyToPlayer, AFileThatCannotBeReadEndsTheCopyAsOneThatCannotBeOpened) {
    TempDir pc;
    WriteFile(pc.path() / "a.mp3", Bytes(100, 'a'));
    WriteFile(pc.path() / "b.mp3", Bytes(200, 'b'));
    ASSERT_EQ(::mkfifo((pc.path() / "pipe.mp3").c_str(), 0600), 0);
    std::vector<std::string> unreadable = {"pipe.mp3"};
    // Root reads every file whatever its permissions: there the pipe alone stands for them.
    if (::geteuid() != 0) {
        WriteFile(pc.path() / "locked.mp3", Bytes(300, 'l'));
        fs::permissions(pc.path() / "locked.mp3", fs::perms::none);
        unreadable.push_back("locked.mp3");
    }
    for (const std::string& name : unreadable) {
        SCOPED_TRACE(name);
        const size_t shown = boxes.shown().size();
        player->Reset();
        TMainFrm& f = Open();
        dialogs.AnswerOpen({(pc.path() / "a.mp3").string(), (pc.path() / name).string(),
                            (pc.path() / "b.mp3").string()});
        boxes.Answer(IDYES);
        f.CopyToFlashMemoryClick();
        // Not "empty (0 bytes)": the files before it are copied, the ones after it are not.
        EXPECT_EQ(Texts(shown), (std::vector<std::string>{"E10428", "E10119"}));
        EXPECT_EQ(boxes.shown().back().flags, MB_OK | MB_ICONERROR);
        EXPECT_EQ(f.Label16->text().toStdString(), name);
        EXPECT_NE(player->Files().find("a.mp3"), std::string::npos);
        EXPECT_EQ(player->Files().find("b.mp3"), std::string::npos);
        EXPECT_FALSE(f.Busy);
    }
}

TEST_P(CopyToPlayer, AFileOf2GiBOrMoreIsRefusedBeforeAnythingIsSent) {
    TMainFrm& f = Open();
    TempDir pc;
    fs::path large = pc.path() / "large.mp3";
    WriteFile(large, "");
    fs::resize_file(large, int64_t{1} << 31);  // sparse: no disk space is taken
    WriteFile(pc.path() / "small.mp3", Bytes(100, 's'));
    // Alone: only the refusal, nothing asked, nothing sent.
    player->Record(true);
    dialogs.AnswerOpen({large.string()});
    f.CopyToFlashMemoryClick();
    EXPECT_EQ(player->CallCount(), 0u);
    player->Record(false);
    EXPECT_EQ(Texts(), std::vector<std::string>{"E10704 large.mp3"});
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);
    // With another file: the other one is copied (by a drop this time).
    boxes.Answer(IDOK);
    boxes.Answer(IDYES);
    kivo::ui::DroppedFiles drop{{large.string(), (pc.path() / "small.mp3").string()}};
    kivo::ui::DeliverAppMessage(
        {f.listFlashMemory->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0});
    EXPECT_EQ(Texts(1), (std::vector<std::string>{"E10704 large.mp3", "E10428"}));
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"small.mp3"});
}

TEST_P(CopyToPlayer, StopDuringAnUploadListsThePlayerAgain) {
    TMainFrm& f = Open();
    TempDir pc;
    WriteFile(pc.path() / "long.mp3", Bytes(300000, 'l'));
    WriteFile(pc.path() / "after.mp3", Bytes(100, 'a'));
    dialogs.AnswerOpen({(pc.path() / "long.mp3").string(), (pc.path() / "after.mp3").string()});
    boxes.Answer(IDYES);
    bool stoppedWhileBusy = false;
    StopOnceBytesMove(f, stoppedWhileBusy);
    f.CopyToFlashMemoryClick();
    EXPECT_TRUE(stoppedWhileBusy);
    EXPECT_EQ(Texts(), std::vector<std::string>{"E10428"});
    // Stopped: the rest is not copied, nothing of the stopped file stays listed.
    EXPECT_TRUE(Names(f.listFlashMemory).empty());
    EXPECT_EQ(player->Files().find(".mp3"), std::string::npos);
    EXPECT_FALSE(f.Busy);
}
