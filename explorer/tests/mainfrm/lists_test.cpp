#include "explorer/tests/mainfrm/fixture.h"
#include "platform/ui/application.h"
#include "platform/win/clock.h"

#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include <fstream>

namespace {

void AddRow(ListViewControl& list, const std::vector<std::string>& cells) {
    int row = list.InsertRow(list.RowCount(), cells[0], 0);
    for (size_t c = 1; c < cells.size(); ++c)
        list.SetCell(row, static_cast<int>(c), cells[c]);
}

std::vector<std::string> Column(const ListViewControl& list, int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < list.RowCount(); ++row)
        cells.push_back(list.Cell(row, column));
    return cells;
}

void WriteFile(const std::filesystem::path& path, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out << std::string(size, 'x');
}

}  // namespace

TEST_F(MainFrmTest, FillFileListsSpreadsRowsByIndexWithImagesSizesAndOrder) {
    TMainFrm& f = Create();
    const std::vector<std::vector<std::string>> rows = {
        {"sys.dat", "8", "SYS", "5", "-1", " "},
        {"a.mp3", "0", "MP3", "6", "2", "00:03:00"},
        {"b.MP3", "1", "MP3", "130", "-1", "00:01:00"},
        {"c.Mp3", "1025", "MP3", "7", "0", "00:02:00"},
        {"d.sc4", "2048", "SC4", "8", "1", " "},
        {"e.sm3", "5000000", "SM3", "131", "-1", " "},
        {"f.SM3", "1024", "SM3", "254", "-1", " "},
        {"g.tel", "88", "TEL", "255", "-1", " "},
        {"h.tel", "88", "TEL", "200", "-1", " "},
    };
    for (const auto& row : rows)
        AddRow(f.TempListView, row);
    f.FillFileLists();
    const ListViewControl& flash = f.listFlashMemory->control();
    const ListViewControl& card = f.listSmartMedia->control();
    // Sorted by play-order position: -1 first, then the play order.
    EXPECT_EQ(Column(flash, 0), (std::vector<std::string>{"b.MP3", "c.Mp3", "d.sc4", "a.mp3"}));
    EXPECT_EQ(Column(flash, 4), (std::vector<std::string>{"-1", "0", "1", "2"}));
    EXPECT_EQ(Column(flash, 1), (std::vector<std::string>{"1 KB", "2 KB", "2 KB", "0 KB"}));
    EXPECT_EQ(Column(flash, 3), (std::vector<std::string>{"130", "7", "8", "6"}));
    EXPECT_EQ(Column(flash, 6), Column(flash, 0));  // the sixth sub-item repeats the name
    EXPECT_EQ(Column(card, 0), (std::vector<std::string>{"e.sm3", "f.SM3", "h.tel"}));
    EXPECT_EQ(Column(card, 1), (std::vector<std::string>{"4,883 KB", "1 KB", "1 KB"}));
    EXPECT_EQ(Column(card, 6), Column(card, 0));
    std::vector<int> flashImages, cardImages;
    for (int r = 0; r < flash.RowCount(); ++r)
        flashImages.push_back(flash.RowAt(r).image);
    for (int r = 0; r < card.RowCount(); ++r)
        cardImages.push_back(card.RowAt(r).image);
    EXPECT_EQ(flashImages, (std::vector<int>{0, 0, -1, 0}));
    EXPECT_EQ(cardImages, (std::vector<int>{3, 3, -1}));
    // The lists show what the controls hold.
    EXPECT_EQ(f.listSmartMedia->model().rowCount(), 3);

    // An empty hidden list empties both.
    f.TempListView.Clear();
    f.FillFileLists();
    EXPECT_EQ(flash.RowCount(), 0);
    EXPECT_EQ(card.RowCount(), 0);
}

TEST_F(MainFrmTest, ConnectListsThePlayerAndShowsTheTotals) {
    TMainFrm& f = Create();
    f.Connect1->trigger();
    EXPECT_EQ(f.LastResult, 0);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(f.Busy);
    EXPECT_NE(f.Label22->text(), "0 KB");  // the Flash memory's total
    EXPECT_EQ(f.Label20->text().toStdString(),
              std::to_string(f.listFlashMemory->control().RowCount()) + "E10124");
    f.listSmartMediaKeyDown(Qt::Key_Down);
    EXPECT_EQ(f.Label20->text().toStdString(),
              std::to_string(f.listSmartMedia->control().RowCount()) + "E10124");
}

TEST_F(MainFrmTest, ConnectWhileBusyOnlyClearsTheStatusBar) {
    TMainFrm& f = Create();
    f.SetBusy(true);
    f.SetStatusText("copying", "1 KB / 2 KB", "10 CPS");
    AddRow(f.listFlashMemory->control(), {"kept.mp3"});
    f.Connect1Click();
    EXPECT_EQ(f.sbBottom[0]->text(), "");
    EXPECT_EQ(f.listFlashMemory->control().RowCount(), 1);
    EXPECT_TRUE(f.Busy);
}

TEST_F(MainFrmTest, FailedConnectEmptiesTheListsAndShowsTheStatus) {
    TMainFrm& f = Create();
    AddRow(f.listFlashMemory->control(), {"old.mp3"});
    f.SetPortKind(5);
    f.Connect1Click();
    EXPECT_EQ(f.LastResult, -120);
    EXPECT_EQ(f.listFlashMemory->control().RowCount(), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(f.Label20->text(), "0E10124");
}

namespace {

// Drops files on a list the way the list delivers them.
void Drop(TMainFrm& f, kivo::ui::ListView* list, std::vector<std::string> paths) {
    kivo::ui::DroppedFiles drop{std::move(paths)};
    kivo::ui::DeliverAppMessage({list->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0});
    (void)f;
}

}  // namespace

TEST_F(MainFrmTest, DroppedFilesCopyInDropOrderToTheListTheyFellOn) {
    ScopedVirtualClock clock;  // the link's fixed waits pass at once
    TMainFrm& f = Create();
    f.Connect1Click();
    TempDir pc;
    WriteFile(pc.path() / "second.mp3", 3000);
    WriteFile(pc.path() / "first.mp3", 2000);
    std::string longName = std::string(200, 'l') + ".mp3";
    std::filesystem::create_directories(pc.path() / std::string(120, 'd'));
    std::filesystem::path longPath = pc.path() / std::string(120, 'd') / longName;
    WriteFile(longPath, 1000);
    ASSERT_GT(longPath.string().size(), 255u);
    boxes.Answer(IDYES);  // copy to the card?
    Drop(f, f.listSmartMedia,
         {(pc.path() / "second.mp3").string(), (pc.path() / "missing.mp3").string(),
          pc.path().string(), (pc.path() / "first.mp3").string(), longPath.string()});
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "E10433");
    EXPECT_FALSE(f.Busy);
    // The card got the three files in drop order (file indexes rise with each copy), whole
    // names included; the Flash memory got nothing.
    const ListViewControl& card = f.listSmartMedia->control();
    std::vector<std::pair<int, std::string>> byIndex;
    for (int r = 0; r < card.RowCount(); ++r)
        byIndex.emplace_back(std::stoi(card.Cell(r, 3)), card.Cell(r, 0));
    std::sort(byIndex.begin(), byIndex.end());
    std::vector<std::string> names;
    for (auto& [index, name] : byIndex)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"second.mp3", "first.mp3", longName}));
    EXPECT_EQ(f.listFlashMemory->control().RowCount(), 0);
}

TEST_F(MainFrmTest, DropsOfNothingCopyableOrWhileBusyCopyNothing) {
    TMainFrm& f = Create();
    f.Connect1Click();
    TempDir pc;
    WriteFile(pc.path() / "song.mp3", 100);
    // Only folders and missing files: nothing asked, nothing shown.
    Drop(f, f.listFlashMemory, {pc.path().string(), (pc.path() / "gone.mp3").string()});
    EXPECT_TRUE(boxes.shown().empty());
    // While a command runs, a drop is taken and dropped.
    f.SetBusy(true);
    Drop(f, f.listFlashMemory, {(pc.path() / "song.mp3").string()});
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(f.Busy);
    f.SetBusy(false);
    EXPECT_EQ(f.listFlashMemory->control().RowCount(), 0);
    // A drop on some other window is not the lists' business.
    ListViewControl other;
    kivo::ui::DroppedFiles drop{{(pc.path() / "song.mp3").string()}};
    EXPECT_FALSE(kivo::ui::DeliverAppMessage(
        {other.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0}));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(MainFrmTest, StopReachesARunningCopyThroughTheProgressMessages) {
    ScopedVirtualClock clock;
    TMainFrm& f = Create();
    f.Connect1Click();
    TempDir pc;
    WriteFile(pc.path() / "long.mp3", 2 * 1024 * 1024);
    boxes.Answer(IDYES);
    bool stopped = false;
    // Runs from inside the copy, when the first progress message lets events run.
    QTimer::singleShot(0, [&] {
        stopped = f.Busy && f.sbStop->isEnabled();
        f.sbStop->click();
    });
    Drop(f, f.listFlashMemory, {(pc.path() / "long.mp3").string()});
    EXPECT_TRUE(stopped);
    // -101: the lists are read again and no message follows the question.
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(f.sbBottom[1]->text(), "");
    EXPECT_FALSE(f.Busy);
}
