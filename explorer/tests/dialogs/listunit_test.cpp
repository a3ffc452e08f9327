// The play-order dialog: its rows, the drag rules, the table and, through the real link
// libraries, what the simulated player then holds in "config.dat".
#include "explorer/ListUnit.h"
#include "drivers/test_hooks.h"
#include "explorer/LPTCtrl.h"
#include "explorer/UtilUnit.h"
#include "explorer/tests/dialogs/dialog_test_support.h"
#include "explorer/tests/dialogs/player_config.h"
#include "platform/win/listview.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kivo::explorer;

namespace kivo::dialogs {
namespace {

using namespace kivo::dialogs::testing;

// A row of a visible file list: name, size, type, file index, play-order position, time, name.
void AddFileRow(ListViewControl& list, const std::string& name, int index, int order) {
    const int row = list.InsertRow(list.RowCount(), name, 0);
    const std::string cells[] = {"1 KB",     "MP3", std::to_string(index), std::to_string(order),
                                 "00:00:01", name};
    for (int column = 1; column <= 6; ++column)
        list.SetCell(row, column, cells[column - 1]);
}

std::vector<std::string> Names(const PlayListBox* list) {
    std::vector<std::string> names;
    for (int row = 0; row < list->count(); ++row)
        names.push_back(list->NameAt(row).toStdString());
    return names;
}

QPoint RowPoint(const PlayListBox* list, int row) {
    return list->visualItemRect(list->item(row)).center();
}

void Mouse(PlayListBox* list, QEvent::Type type, QPoint point, Qt::MouseButton button,
           Qt::MouseButtons held, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(type, point, list->viewport()->mapToGlobal(point), button, held, keys);
    QApplication::sendEvent(list->viewport(), &event);
}

// A press on `from`, moves over `path` with the left button held, a release.
void Drag(PlayListBox* list, int from, const std::vector<int>& path,
          Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    Mouse(list, QEvent::MouseButtonPress, RowPoint(list, from), button, button, keys);
    for (int row : path)
        Mouse(list, QEvent::MouseMove, RowPoint(list, row), Qt::NoButton, button, keys);
    Mouse(list, QEvent::MouseButtonRelease, RowPoint(list, path.empty() ? from : path.back()),
          button, Qt::NoButton, keys);
}

class PlayOrderForm : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i)
            AddFileRow(flash_, std::to_string(i + 1) + ".mp3", 10 + i, i);
        form_.FillRows({flash_.handle(), card_.handle(), temp_.handle()});
        form_.show();
    }

    ListViewControl flash_, card_, temp_;
    QWidget owner_;
    TPlayListForm form_{&owner_};
};

using Order = std::vector<std::string>;

TEST_F(PlayOrderForm, DraggingTheFirstOfFourToTheLastRowByRow) {
    Drag(form_.IntListBox, 0, {1, 2, 3});
    EXPECT_EQ(Names(form_.IntListBox), (Order{"2.mp3", "3.mp3", "4.mp3", "1.mp3"}));
    EXPECT_EQ(form_.BuildPlayOrderTable()[3], 10);
    EXPECT_EQ(form_.BuildPlayOrderTable()[0], 11);
}

TEST_F(PlayOrderForm, APointerThatSkipsRowsExchangesTheEndsOnly) {
    Drag(form_.IntListBox, 0, {3});
    EXPECT_EQ(Names(form_.IntListBox), (Order{"4.mp3", "2.mp3", "3.mp3", "1.mp3"}));
    // Back up again from the last row to the second.
    Drag(form_.IntListBox, 3, {2, 1});
    EXPECT_EQ(Names(form_.IntListBox), (Order{"4.mp3", "1.mp3", "2.mp3", "3.mp3"}));
}

struct RefusedPress {
    const char* what;
    Qt::MouseButton button;
    Qt::KeyboardModifiers keys;
};
void PrintTo(const RefusedPress& press, std::ostream* os) {
    *os << press.what;
}

class PlayOrderRefused : public PlayOrderForm,
                         public ::testing::WithParamInterface<RefusedPress> {};

TEST_P(PlayOrderRefused, StartsNoDrag) {
    Drag(form_.IntListBox, 0, {1, 2, 3}, GetParam().button, GetParam().keys);
    EXPECT_EQ(Names(form_.IntListBox), (Order{"1.mp3", "2.mp3", "3.mp3", "4.mp3"}));
}

INSTANTIATE_TEST_SUITE_P(
    Presses, PlayOrderRefused,
    ::testing::Values(RefusedPress{"shift", Qt::LeftButton, Qt::ShiftModifier},
                      RefusedPress{"ctrl", Qt::LeftButton, Qt::ControlModifier},
                      RefusedPress{"alt", Qt::LeftButton, Qt::AltModifier},
                      RefusedPress{"right", Qt::RightButton, Qt::NoModifier},
                      RefusedPress{"middle", Qt::MiddleButton, Qt::NoModifier}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(PlayOrderForm, ADoubleClickOrAPressBelowTheRowsStartsNothing) {
    PlayListBox* list = form_.IntListBox;
    // As a double click comes: press, release, then the second press as a double click.
    Mouse(list, QEvent::MouseButtonPress, RowPoint(list, 0), Qt::LeftButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseButtonRelease, RowPoint(list, 0), Qt::LeftButton, Qt::NoButton);
    Mouse(list, QEvent::MouseButtonDblClick, RowPoint(list, 0), Qt::LeftButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseMove, RowPoint(list, 2), Qt::NoButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseButtonRelease, RowPoint(list, 2), Qt::LeftButton, Qt::NoButton);
    // A double click alone, which the view takes for a press.
    Mouse(list, QEvent::MouseButtonDblClick, RowPoint(list, 0), Qt::LeftButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseMove, RowPoint(list, 2), Qt::NoButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseButtonRelease, RowPoint(list, 2), Qt::LeftButton, Qt::NoButton);
    const QPoint below(20, list->viewport()->height() - 3);
    ASSERT_EQ(list->RowAt(below), -1);
    Mouse(list, QEvent::MouseButtonPress, below, Qt::LeftButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseMove, RowPoint(list, 1), Qt::NoButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseButtonRelease, RowPoint(list, 1), Qt::LeftButton, Qt::NoButton);
    // Moving below the last row during a drag changes nothing either.
    Mouse(list, QEvent::MouseButtonPress, RowPoint(list, 3), Qt::LeftButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseMove, below, Qt::NoButton, Qt::LeftButton);
    Mouse(list, QEvent::MouseButtonRelease, below, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Names(list), (Order{"1.mp3", "2.mp3", "3.mp3", "4.mp3"}));
}

TEST_F(PlayOrderForm, AMoveAfterTheReleaseDragsNothing) {
    Drag(form_.IntListBox, 0, {1});
    Mouse(form_.IntListBox, QEvent::MouseMove, RowPoint(form_.IntListBox, 3), Qt::NoButton,
          Qt::NoButton);
    EXPECT_EQ(Names(form_.IntListBox), (Order{"2.mp3", "1.mp3", "3.mp3", "4.mp3"}));
}

TEST(PlayOrderRows, OnlyFilesWithAPositionEachWithItsOwnIndex) {
    ListViewControl flash, card, temp;
    AddFileRow(flash, "voice.sc4", 6, -1);
    AddFileRow(card, "same.mp3", 131, 0);
    AddFileRow(card, "a=b.mp3", 140, 1);
    AddFileRow(card, "same.mp3", 133, 2);
    AddFileRow(card, "book.tel", 150, -1);
    QWidget owner;
    TPlayListForm form(&owner);
    form.FillRows({flash.handle(), card.handle(), temp.handle()});
    EXPECT_EQ(form.IntListBox->count(), 0);
    EXPECT_EQ(Names(form.ExtListBox), (Order{"same.mp3", "a=b.mp3", "same.mp3"}));
    // Card files alone fill the table from entry 0.
    PlayOrderTable expected{};
    expected[0] = 131;
    expected[1] = 140;
    expected[2] = 133;
    EXPECT_EQ(form.BuildPlayOrderTable(), expected);
}

TEST(PlayOrderRows, TheTableKeepsItsLastEntryZeroWhateverTheRows) {
    // A damaged player's listing: more rows than the table has places.
    ListViewControl flash, card, temp;
    for (int i = 0; i < 130; ++i)
        AddFileRow(flash, "f.mp3", 6 + i % 125, i);
    for (int i = 0; i < 130; ++i)
        AddFileRow(card, "c.mp3", 131 + i % 124, i);
    QWidget owner;
    TPlayListForm form(&owner);
    form.FillRows({flash.handle(), card.handle(), temp.handle()});
    ASSERT_EQ(form.IntListBox->count() + form.ExtListBox->count(), 260);
    const PlayOrderTable table = form.BuildPlayOrderTable();
    EXPECT_EQ(table[248], 131 + (248 - 130) % 124);
    EXPECT_EQ(table[249], 0);
}

TEST(PlayOrderRows, TheRowsAreOwnerDrawnAtTheFontsHeightAndFour) {
    QWidget owner;
    TPlayListForm form(&owner);
    form.IntListBox->AddRow("x.mp3", 6);
    form.show();
    EXPECT_EQ(form.IntListBox->visualItemRect(form.IntListBox->item(0)).height(),
              QFontInfo(form.IntListBox->font()).pixelSize() + 4);
    EXPECT_EQ(form.size(), QSize(361, 471));
    EXPECT_TRUE(form.CancelButton->isDefault());
    EXPECT_TRUE(form.Label1->font().bold());
}

// Through the real libraries and the simulated player in memory.
class PlayOrderOnThePlayer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(kivo::explorer::lptctrl::Selector().Bind(), "");
        kivo::explorer::lptctrl::Selector().SetPortKind(0);
        PX_TestReset();
        const std::vector<uint8_t> song(4000, 0xFF);
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
            flashIndexes_.push_back(PutFile(0, 1, name, song));
        PutFile(0, 3, "memo.sc4", song);
        for (const char* name : {"x.mp3", "y.mp3"})
            cardIndexes_.push_back(PutFile(1, 1, name, song));
        Refresh();
    }
    uint8_t PutFile(uint8_t memory, uint8_t type, const char* name,
                    const std::vector<uint8_t>& data) {
        const uint32_t index =
            PX_TestPutFile(memory, type, name, data.data(), static_cast<uint32_t>(data.size()));
        EXPECT_NE(index, 0u) << name;
        return static_cast<uint8_t>(index);
    }
    // What the main window's refresh does: list the player, then fill and sort both lists.
    void Refresh() {
        temp_.Clear();
        ASSERT_EQ(kivo::explorer::lptctrl::Selector().PX_MemoryInfo(), 0);
        ASSERT_EQ(kivo::explorer::lptctrl::Selector().PX_GetFileList(temp_.handle()), 0);
        flash_.Clear();
        card_.Clear();
        for (int row = 0; row < temp_.RowCount(); ++row) {
            const int index = std::stoi(temp_.Cell(row, 3));
            ListViewControl& target = index <= 130 ? flash_ : card_;
            AddFileRow(target, temp_.Cell(row, 0), index, std::stoi(temp_.Cell(row, 4)));
        }
        for (ListViewControl* list : {&flash_, &card_})
            list->SortByRowComparison([list](int a, int b) {
                return CompareListItems({list->handle(), a}, {list->handle(), b}, 4);
            });
        ++refreshes_;
    }
    std::vector<std::string> FlashNamesInOrder() {
        std::vector<std::string> names;
        for (int row = 0; row < flash_.RowCount(); ++row)
            if (std::stoi(flash_.Cell(row, 4)) >= 0)
                names.push_back(flash_.Cell(row, 0));
        return names;
    }
    void Run(std::function<void(TPlayListForm&)> step) {
        WhenModal([step = std::move(step)](QDialog* dialog) {
            auto* form = qobject_cast<TPlayListForm*>(dialog);
            ASSERT_NE(form, nullptr);
            step(*form);
        });
        TPlayListForm::Execute(&main_, strings_.handle(),
                               {flash_.handle(), card_.handle(), temp_.handle()},
                               [this] { Refresh(); });
    }

    ListViewControl flash_, card_, temp_;
    std::vector<uint8_t> flashIndexes_, cardIndexes_;
    int refreshes_ = 0;
    ResourceLibrary strings_ = TestStrings();
    MainWindowStandIn main_;
};

TEST_F(PlayOrderOnThePlayer, OkWritesTheTableThePlayerKeepsAndTheListsShowIt) {
    refreshes_ = 0;
    Run([](TPlayListForm& form) {
        EXPECT_EQ(form.windowTitle(), "T10151");
        EXPECT_EQ(form.Label1->text(), "T10152");
        EXPECT_EQ(form.Label2->text(), "T10153");
        EXPECT_EQ(form.OKButton->text(), "T10154");
        EXPECT_EQ(form.CancelButton->text(), "T10155");
        EXPECT_EQ(Names(form.IntListBox), (Order{"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
        EXPECT_EQ(Names(form.ExtListBox), (Order{"x.mp3", "y.mp3"}));
        Drag(form.IntListBox, 0, {1, 2, 3});
        Drag(form.ExtListBox, 1, {0});
        form.OKButton->click();
    });
    std::vector<uint8_t> expected(252, 0);
    expected[0] = flashIndexes_[1];
    expected[1] = flashIndexes_[2];
    expected[2] = flashIndexes_[3];
    expected[3] = flashIndexes_[0];
    expected[4] = cardIndexes_[1];
    expected[5] = cardIndexes_[0];
    const std::vector<uint8_t> config = PlayerConfigDat();
    ASSERT_EQ(config.size(), 260u);
    EXPECT_EQ(std::vector<uint8_t>(config.begin(), config.begin() + 250),
              std::vector<uint8_t>(expected.begin(), expected.begin() + 250));
    EXPECT_EQ(refreshes_, 1);
    EXPECT_EQ(FlashNamesInOrder(), (Order{"b.mp3", "c.mp3", "d.mp3", "a.mp3"}));
}

TEST_F(PlayOrderOnThePlayer, CancelEnterAndEscWriteNothing) {
    const std::vector<uint8_t> before = PlayerConfigDat();
    refreshes_ = 0;
    for (int way = 0; way < 3; ++way) {
        Run([way](TPlayListForm& form) {
            Drag(form.IntListBox, 0, {3});
            if (way == 0) {
                form.CancelButton->click();
                return;
            }
            QKeyEvent key(QEvent::KeyPress, way == 1 ? Qt::Key_Return : Qt::Key_Escape,
                          Qt::NoModifier);
            QApplication::sendEvent(&form, &key);
        });
    }
    EXPECT_EQ(PlayerConfigDat(), before);
    EXPECT_EQ(refreshes_, 0);
}

TEST_F(PlayOrderOnThePlayer, NoListingHeldWritesNothing) {
    const std::vector<uint8_t> before = PlayerConfigDat();
    temp_.Clear();
    refreshes_ = 0;
    Run([](TPlayListForm& form) { form.OKButton->click(); });
    EXPECT_EQ(PlayerConfigDat(), before);
    EXPECT_EQ(refreshes_, 0);
}

TEST_F(PlayOrderOnThePlayer, NoPositionsAtAllWritesZerosAndRefreshes) {
    flash_.Clear();
    card_.Clear();
    refreshes_ = 0;
    Run([](TPlayListForm& form) {
        EXPECT_EQ(form.IntListBox->count() + form.ExtListBox->count(), 0);
        form.OKButton->click();
    });
    const std::vector<uint8_t> config = PlayerConfigDat();
    ASSERT_GE(config.size(), 250u);
    EXPECT_EQ(std::vector<uint8_t>(config.begin(), config.begin() + 250),
              std::vector<uint8_t>(250, 0));
    EXPECT_EQ(refreshes_, 1);
}

}  // namespace
}  // namespace kivo::dialogs
