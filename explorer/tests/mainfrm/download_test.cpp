// Copying the player's files to a PC folder, through the main window and the real links.
#include "explorer/SC4Tools.h"
#include "explorer/tests/mainfrm/player_fixture.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>

#include <csignal>
#include <functional>

using namespace kivo::explorer;

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kVoiceType = 3;

// A recording as the player keeps it: some other bytes, then SC4 blocks from a mono 8 kHz sync.
std::string Recording(size_t size) {
    std::string bytes = PlayerTest::Bytes(size, 'r');
    bytes.replace(10, 3, "\x01\x1B\x1D");
    for (size_t i = 0; i < 10; ++i)
        bytes[i] = 'x';
    return bytes;
}

// The wave file the wrapper makes of the first `size` bytes of a Recording.
std::string Wrapped(const std::string& recording) {
    std::string data = recording.substr(10);
    auto header = BuildSC4WaveHeader(static_cast<uint32_t>(data.size()), 1);
    return std::string(header.begin(), header.end()) + data;
}

// Runs `act` once a transfer has reported its first bytes, from the progress message's message
// processing, as a user's click or a look at the folder would come then.
std::unique_ptr<QTimer> OnceBytesMove(TMainFrm& f, std::function<void()> act) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), &f, act] {
        if (f.DoneBytes == 0)
            return;
        t->stop();
        act();
    });
    timer->start(0);
    return timer;
}

// The left button pressed and released on a list's first row, as the mouse sends them.
void ClickFirstRow(kivo::ui::ListView* list) {
    QAbstractItemView* view = list->currentView();
    const QPoint at = view->visualRect(list->model().index(0, 0)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &event);
    }
}

// While it lives, a write that makes a file longer than `bytes` fails as on a full disk: the
// process's file-size limit, with its signal ignored.
class DiskFullAt {
public:
    explicit DiskFullAt(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~DiskFullAt() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldSignal_);
    }
    DiskFullAt(const DiskFullAt&) = delete;
    DiskFullAt& operator=(const DiskFullAt&) = delete;

private:
    rlimit old_{};
    void (*oldSignal_)(int) = nullptr;
};

}  // namespace

using CopyToPC = PlayerTest;
INSTANTIATE_TEST_SUITE_P(Ports, CopyToPC, testing::Values(0, 1), PortName);

TEST_P(CopyToPC, CopiesTheSelectedFilesAndAsksOnlyAboutFilesThatExist) {
    const std::string one = Bytes(40000, 'a'), two = Bytes(100, 'b'), three = Bytes(0x4000, 'c');
    player->Put(kCard, "one.mp3", one);
    player->Put(kCard, "two.mp3", two);
    player->Put(kCard, "three.mp3", three);
    player->Put(kCard, "left.mp3", Bytes(10, 'l'));
    TMainFrm& f = Open();
    TempDir pc;
    WriteFile(pc.path() / "two.mp3", "mine");
    Select(f, f.listSmartMedia, {"one.mp3", "two.mp3", "three.mp3"});
    PickFolder(pc.path());
    boxes.Answer(IDNO);  // keep my two.mp3
    f.sbCopyToPC->click();

    EXPECT_EQ(Texts(), std::vector<std::string>{"E10420 two.mp3"});
    EXPECT_EQ(boxes.shown()[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(ReadFile(pc.path() / "one.mp3") == one);
    EXPECT_EQ(ReadFile(pc.path() / "two.mp3"), "mine");
    EXPECT_EQ(ReadFile(pc.path() / "three.mp3"), three);
    EXPECT_EQ(FolderNames(pc.path()),
              (std::vector<std::string>{"one.mp3", "three.mp3", "two.mp3"}));
    EXPECT_EQ(f.sbBottom[0]->text(), "E10421");  // the completion text stays
    EXPECT_FALSE(f.Busy);
    // The picker started in the folder of the last copy; the chosen one replaces it, stored.
    EXPECT_EQ(picker.shows(), 1);
    EXPECT_EQ(f.SaveFolder, pc.path().string());

    // Yes replaces it; the picker now starts in the chosen folder.
    Select(f, f.listSmartMedia, {"two.mp3"});
    PickFolder(pc.path());
    boxes.Answer(IDYES);
    f.PC1->trigger();
    EXPECT_EQ(ReadFile(pc.path() / "two.mp3"), two);
    auto sent = picker.messages(BFFM_SETSELECTIONA);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().text, pc.path().string());

    // Every chosen file declined: nothing was copied, and nothing says so.
    Select(f, f.listSmartMedia, {"two.mp3"});
    PickFolder(pc.path());
    boxes.Answer(IDNO);
    f.PC1Click();
    EXPECT_EQ(ReadFile(pc.path() / "two.mp3"), two);
    EXPECT_EQ(f.sbBottom[0]->text(), "");
}

TEST_P(CopyToPC, TheRowsChosenAtTheStartAreCopiedWhicheverListIsClickedMeanwhile) {
    const std::string a = Bytes(100000, 'a'), b = Bytes(300, 'b');
    player->Put(kFlash, "a.mp3", a);
    player->Put(kFlash, "b.mp3", b);
    player->Put(kCard, "c.mp3", Bytes(200, 'c'));
    player->Put(kCard, "d.mp3", Bytes(200, 'd'));
    TMainFrm& f = Open();
    TempDir pc;
    Select(f, f.listFlashMemory, {"a.mp3", "b.mp3"});
    PickFolder(pc.path());
    auto clicker = OnceBytesMove(f, [&f] { ClickFirstRow(f.listSmartMedia); });
    f.PC1Click();
    EXPECT_EQ(f.CurrentList, f.listSmartMedia);  // the click came during a's transfer
    EXPECT_EQ(FolderNames(pc.path()), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    EXPECT_TRUE(ReadFile(pc.path() / "a.mp3") == a);
    EXPECT_EQ(ReadFile(pc.path() / "b.mp3"), b);
    EXPECT_EQ(f.sbBottom[0]->text(), "E10421");
}

TEST_P(CopyToPC, TwoRecordingsThatWrapToOneWaveFileAskBeforeTheSecondReplacesTheFirst) {
    // Two files on the player, told apart by letter case, and one wave file name for both.
    const std::string upper = Recording(3000), lower = Recording(5000);
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        const size_t shown = boxes.shown().size();
        player->Reset();
        player->Put(kFlash, "rec.SC4", upper, kVoiceType);
        player->Put(kFlash, "rec.sc4", lower, kVoiceType);
        TMainFrm& f = Open();
        f.SC4ToWAV = true;
        TempDir pc;
        Select(f, f.listFlashMemory, {"rec.SC4", "rec.sc4"});
        const bool upperFirst =
            RowOf(f.listFlashMemory, "rec.SC4") < RowOf(f.listFlashMemory, "rec.sc4");
        const std::string& first = upperFirst ? upper : lower;
        const std::string& second = upperFirst ? lower : upper;
        PickFolder(pc.path());
        boxes.Answer(answer);
        f.PC1Click();
        EXPECT_EQ(Texts(shown), std::vector<std::string>{"E10420 rec.WAV"});
        EXPECT_EQ(FolderNames(pc.path()), std::vector<std::string>{"rec.WAV"});
        EXPECT_TRUE(ReadFile(pc.path() / "rec.WAV") == Wrapped(answer == IDYES ? second : first));
        EXPECT_EQ(f.sbBottom[0]->text(), "E10421");
    }
}

TEST_P(CopyToPC, APartLeftByAKilledCopyIsTakenOverByTheNextCopyOfThatFile) {
    const std::string song = Bytes(100000, 's');
    player->Put(kFlash, "song.mp3", song);
    TMainFrm& f = Open();
    TempDir pc;
    // What a copy killed in the middle of this file left: its part, named after the file.
    WriteFile(pc.path() / ".~song.mp3.part", Bytes(40000, 'k'));
    Select(f, f.listFlashMemory, {"song.mp3"});
    PickFolder(pc.path());
    std::vector<std::string> during;
    auto watcher = OnceBytesMove(f, [&] { during = FolderNames(pc.path()); });
    f.PC1Click();
    EXPECT_EQ(during, std::vector<std::string>{".~song.mp3.part"});
    EXPECT_EQ(FolderNames(pc.path()), std::vector<std::string>{"song.mp3"});
    EXPECT_TRUE(ReadFile(pc.path() / "song.mp3") == song);
    EXPECT_EQ(f.sbBottom[0]->text(), "E10421");
}

TEST_P(CopyToPC, WithoutASelectionOrAFolderNothingIsCopied) {
    player->Put(kFlash, "song.mp3", Bytes(100, 's'));
    TMainFrm& f = Open();
    const std::string before = f.SaveFolder;
    // No row selected.
    Select(f, f.listFlashMemory, {});
    f.CopyToPC1->trigger();
    EXPECT_EQ(Texts(), std::vector<std::string>{"E10438"});
    EXPECT_EQ(picker.shows(), 0);
    // The user cancels the picker.
    Select(f, f.listFlashMemory, {"song.mp3"});
    f.PC1Click();
    EXPECT_EQ(picker.shows(), 1);
    EXPECT_EQ(Texts().size(), 1u);
    EXPECT_EQ(f.SaveFolder, before);
    // An item that is no folder: told, and nothing written anywhere.
    picker.Play([](kivo::shell::ScriptedBrowseDialog&) {
        return kivo::shell::ScriptedBrowseDialog::Choose(
            kivo::shell::ItemIdList::Virtual(kivo::shell::CSIDL_PRINTERS), "Printers");
    });
    f.PC1Click();
    EXPECT_EQ(Texts().back(), "E10440");
    EXPECT_EQ(f.SaveFolder, before);
    EXPECT_FALSE(fs::exists("song.mp3"));
    EXPECT_FALSE(f.Busy);
}

TEST_P(CopyToPC, RecordingsAreWrappedOnlyWhenTheSettingSaysSo) {
    const std::string recording = Recording(3000);
    struct Case {
        bool sc4ToWav;
        std::string content;  // of the recording on the player
        bool waveThere;       // a wave file of that name already in the folder
        std::vector<std::string> folder;
        bool noSyncMessage;
    };
    const Case cases[] = {
        {true, recording, false, {"memo.WAV"}, false},
        {true, recording, true, {"memo.WAV"}, false},  // replaced without a question
        {false, recording, false, {"memo.sc4"}, false},
        {true, Bytes(500, '\x40'), false, {"memo.sc4"}, true},  // no sync pattern: stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.size());
        const size_t shown = boxes.shown().size();
        player->Reset();
        player->Put(kFlash, "memo.sc4", c.content, kVoiceType);
        TMainFrm& f = Open();
        f.SC4ToWAV = c.sc4ToWav;
        TempDir pc;
        if (c.waveThere)
            WriteFile(pc.path() / "memo.WAV", "old wave");
        Select(f, f.listFlashMemory, {"memo.sc4"});
        PickFolder(pc.path());
        f.PC1Click();
        EXPECT_EQ(FolderNames(pc.path()), c.folder);
        if (c.folder.front() == "memo.WAV")
            EXPECT_TRUE(ReadFile(pc.path() / "memo.WAV") == Wrapped(c.content));
        else
            EXPECT_EQ(ReadFile(pc.path() / "memo.sc4"), c.content);
        EXPECT_EQ(Texts(shown),
                  c.noSyncMessage
                      ? std::vector<std::string>{"End of file while searching for synchro-block"}
                      : std::vector<std::string>{});
        EXPECT_EQ(f.sbBottom[0]->text(), "E10421");
    }
}

TEST_P(CopyToPC, ThePlayersAbortCountsAsDoneForARecordingOnly) {
    // The player ends the copy after the first block: a recording is then complete as far as
    // the player goes and the copy goes on; any other file ends the copy with the message.
    const std::string recording = Recording(40000), song = Bytes(40000, 's');
    struct Case {
        std::string name;
        uint8_t type;
        std::string content;
        std::vector<std::string> folder;
        std::vector<std::string> texts;
        std::string statusText;
    };
    const Case cases[] = {
        {"a.sc4", kVoiceType, recording, {"a.WAV", "b.mp3"}, {}, "E10421"},
        {"a.mp3", 1, song, {}, {"E10111"}, ""},  // a part of a song is no song: not kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t shown = boxes.shown().size();
        player->Reset();
        player->Put(kFlash, c.name, c.content, c.type);
        player->Put(kFlash, "b.mp3", Bytes(100, 'b'));
        TMainFrm& f = Open();
        TempDir pc;
        Select(f, f.listFlashMemory, {c.name, "b.mp3"});
        PickFolder(pc.path());
        player->Control("fault code24 block 0");
        f.PC1Click();
        EXPECT_EQ(FolderNames(pc.path()), c.folder);
        EXPECT_EQ(Texts(shown), c.texts);
        EXPECT_EQ(f.sbBottom[0]->text().toStdString(), c.statusText);
        if (c.type != kVoiceType)
            continue;
        // What came of the recording before the abort, as it came.
        std::string bytes = ReadFile(pc.path() / c.folder.front()).value_or("");
        size_t received = bytes.size() - kSC4WaveHeaderSize + 10;
        EXPECT_GT(received, 10u);
        EXPECT_LT(received, c.content.size());
        EXPECT_TRUE(bytes == Wrapped(c.content.substr(0, received)));
    }
}

TEST_P(CopyToPC, StopLeavesNoPartUnderTheFilesNameAndNoCompletionText) {
    // A recording would be wrapped from its part and a song would pass for a whole one.
    const std::string recording = Recording(200000), song = Bytes(200000, 's');
    struct Case {
        std::string name;
        uint8_t type;
        std::string content;
    };
    const Case cases[] = {{"talk.sc4", kVoiceType, recording}, {"song.mp3", 1, song}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t shown = boxes.shown().size();
        player->Reset();
        player->Put(kFlash, c.name, c.content, c.type);
        player->Put(kFlash, "next.mp3", Bytes(100, 'n'));
        TMainFrm& f = Open();
        f.SC4ToWAV = true;
        TempDir pc;
        Select(f, f.listFlashMemory, {c.name, "next.mp3"});
        PickFolder(pc.path());
        bool stoppedWhileBusy = false;
        StopOnceBytesMove(f, stoppedWhileBusy);
        f.PC1Click();
        EXPECT_TRUE(stoppedWhileBusy);
        // Nothing of the stopped file, and the next file is not copied.
        EXPECT_TRUE(FolderNames(pc.path()).empty());
        EXPECT_EQ(Texts(shown), std::vector<std::string>{});
        EXPECT_EQ(f.sbBottom[0]->text(), "");
        EXPECT_FALSE(f.Busy);
    }
}

TEST_P(CopyToPC, PlayerFaultsAreShownAndLeaveThePCsFilesAlone) {
    const std::string recording = Recording(100000);
    struct Case {
        const char* fault;  // of the player
        std::string message;
        bool diskFull;
    };
    const Case cases[] = {
        {"fault no-answer", "E10120", false},
        {"fault drop 30000", "E10118", false},
        {nullptr, "E10119", true},  // the PC's disk takes 30000 bytes, then no more
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault ? c.fault : "disk full");
        const size_t shown = boxes.shown().size();
        player->Reset();
        player->Put(kFlash, "talk.sc4", recording, kVoiceType);
        TMainFrm& f = Open();
        TempDir pc;
        WriteFile(pc.path() / "talk.WAV", "mine");
        Select(f, f.listFlashMemory, {"talk.sc4"});
        PickFolder(pc.path());
        if (c.fault)
            player->Control(c.fault);
        {
            std::optional<DiskFullAt> full;
            if (c.diskFull)
                full.emplace(30000);
            f.PC1Click();
        }
        ASSERT_EQ(Texts(shown).size(), 1u);
        EXPECT_EQ(Texts(shown)[0].substr(0, 6), c.message);
        // A broken recording is never wrapped, nor kept: the wave file of that name stays mine.
        EXPECT_EQ(ReadFile(pc.path() / "talk.WAV"), "mine");
        EXPECT_EQ(FolderNames(pc.path()), std::vector<std::string>{"talk.WAV"});
        EXPECT_EQ(f.sbBottom[0]->text(), "");
        EXPECT_FALSE(f.Busy);
    }
}

TEST_P(CopyToPC, HostileNamesFromThePlayerAreRefusedAndTheRestCopied) {
    // Names as the player may hold them: each would leave the folder, name it or replace
    // something the user never named.
    const std::vector<std::string> hostile = {"..",
                                              ".",
                                              "../escape.mp3",
                                              "sub/dir.mp3",
                                              "/etc/passwd.mp3",
                                              std::string(300, 'n') + ".mp3"};
    for (const std::string& name : hostile)
        player->Put(kFlash, name, Bytes(50, 'h'));
    player->Put(kFlash, "fine.mp3", Bytes(60, 'f'));
    TMainFrm& f = Open();
    TempDir pc;
    fs::create_directories(pc.path() / "save");
    fs::path save = pc.path() / "save";
    WriteFile(pc.path() / "escape.mp3", "outside");
    std::vector<std::string> all = hostile;
    all.push_back("fine.mp3");
    Select(f, f.listFlashMemory, all);
    PickFolder(save);
    f.PC1Click();

    std::vector<std::string> refused = Texts();
    std::sort(refused.begin(), refused.end());
    std::vector<std::string> expected;
    for (const std::string& name : hostile)
        expected.push_back("E10439 " + name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(refused, expected);
    EXPECT_EQ(FolderNames(save), std::vector<std::string>{"fine.mp3"});
    EXPECT_EQ(FolderNames(pc.path()), (std::vector<std::string>{"escape.mp3", "save"}));
    EXPECT_EQ(ReadFile(pc.path() / "escape.mp3"), "outside");
    EXPECT_EQ(f.sbBottom[0]->text(), "E10421");
}

TEST_P(CopyToPC, RowsWithoutAFileIndexNeverReachTheLink) {
    player->Put(kFlash, "listed.mp3", Bytes(70, 'l'));
    TMainFrm& f = Open();
    ListViewControl& list = f.listFlashMemory->control();
    // Rows as a copy to the player leaves them before a refresh, and cells that are no index.
    struct Row {
        std::string name;
        std::string index;
    };
    const Row rows[] = {{"added.mp3", ""},
                        {"text.mp3", "six"},
                        {"low.mp3", "5"},
                        {"high.mp3", "255"},
                        {"huge.mp3", "99999999999999999999"}};
    for (const Row& r : rows) {
        int row = list.InsertRow(list.RowCount(), r.name, 0);
        list.SetCell(row, 1, "1 KB");
        list.SetCell(row, 3, r.index);
        list.SetCell(row, 6, r.name);
    }
    std::vector<std::string> names;
    for (const Row& r : rows)
        names.push_back(r.name);
    TempDir pc;
    Select(f, f.listFlashMemory, names);
    PickFolder(pc.path());
    player->Record(true);
    f.PC1Click();
    EXPECT_EQ(player->CallCount(), 0u);
    player->Record(false);
    ASSERT_EQ(Texts().size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(Texts()[i], "E10441 " + rows[i].name);
    EXPECT_TRUE(FolderNames(pc.path()).empty());
    EXPECT_EQ(f.sbBottom[0]->text(), "");

    // Delete refuses them the same way and lists the player again.
    boxes.Answer(IDYES);
    f.Delete1Click();
    EXPECT_EQ(Names(f.listFlashMemory), std::vector<std::string>{"listed.mp3"});
    EXPECT_NE(player->Files().find("listed.mp3"), std::string::npos);
}

TEST_P(CopyToPC, AReplacedFileGivesWayOnlyToAWholeCopy) {
    // The user agrees to replace a PC file; the copy then ends well or breaks off. A broken copy
    // leaves the old file byte for byte and nothing beside it.
    const std::string song = Bytes(100000, 's'), old = Bytes(70000, 'o');
    enum class End { Whole, Dropped, Stopped };
    struct Case {
        End end;
        bool throughLink;  // the folder holds a symbolic link to the file
        std::vector<std::string> texts;
        std::string statusText;
    };
    const Case cases[] = {
        {End::Whole, false, {"E10420 song.mp3"}, "E10421"},
        {End::Dropped, false, {"E10420 song.mp3", "E10118"}, ""},
        {End::Stopped, false, {"E10420 song.mp3"}, ""},
        {End::Whole, true, {"E10420 song.mp3"}, "E10421"},
        {End::Dropped, true, {"E10420 song.mp3", "E10118"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.end) * 2 + c.throughLink);
        const size_t shown = boxes.shown().size();
        player->Reset();
        player->Put(kFlash, "song.mp3", song);
        TMainFrm& f = Open();
        TempDir pc, elsewhere;
        fs::path file = pc.path() / "song.mp3";
        if (c.throughLink) {
            file = elsewhere.path() / "mine.mp3";
            fs::create_symlink(file, pc.path() / "song.mp3");
        }
        WriteFile(file, old);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        Select(f, f.listFlashMemory, {"song.mp3"});
        PickFolder(pc.path());
        boxes.Answer(IDYES);
        bool stoppedWhileBusy = false;
        if (c.end == End::Stopped)
            StopOnceBytesMove(f, stoppedWhileBusy);
        if (c.end == End::Dropped)
            player->Control("fault drop 30000");
        f.PC1Click();

        EXPECT_EQ(stoppedWhileBusy, c.end == End::Stopped);
        EXPECT_EQ(Texts(shown), c.texts);
        EXPECT_EQ(f.sbBottom[0]->text().toStdString(), c.statusText);
        std::optional<std::string> bytes = ReadFile(file);
        ASSERT_TRUE(bytes);
        EXPECT_TRUE(*bytes == (c.end == End::Whole ? song : old));
        // The replaced file keeps its permissions; nothing is left beside it.
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(FolderNames(pc.path()), std::vector<std::string>{"song.mp3"});
        EXPECT_EQ(FolderNames(file.parent_path()),
                  std::vector<std::string>{file.filename().string()});
        EXPECT_EQ(fs::is_symlink(pc.path() / "song.mp3"), c.throughLink);
        EXPECT_FALSE(f.Busy);
    }
}
