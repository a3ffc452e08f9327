#include "explorer/WaveConv.h"
#include "explorer/tests/mainfrm/fixture.h"
#include "platform/ui/application.h"
#include "platform/win/clock.h"
#include "platform/win/window.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QProgressBar>

#include <map>
#include <set>
#include <vector>

namespace {

// The ball numbers of the grid, row by row, as the display lights them.
constexpr int kBallGrid[6][6] = {
    {1, 3, 6, 10, 15, 21},   {2, 5, 9, 14, 20, 26},    {4, 8, 13, 19, 25, 30},
    {7, 12, 18, 24, 29, 33}, {11, 17, 23, 28, 32, 35}, {16, 22, 27, 31, 34, 36},
};

int LitBalls(TMainFrm& f) {
    int lit = 0;
    for (QLabel* ball : f.BallImages)
        lit += ball->isHidden() ? 0 : 1;
    return lit;
}

// A clock whose time of day runs backwards while its monotonic count runs on, as when the user
// sets the clock back during a transfer.
class ClockSetBack : public Clock {
public:
    void Sleep(uint32_t ms) override { ticks += ms; }
    uint64_t Ticks() override { return ticks; }
    double Now() override { return 46000.0 - static_cast<double>(ticks) / 1000.0; }
    uint64_t ticks = 5000;
};

// Counts the paint events of the widgets it watches.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(std::initializer_list<QWidget*> widgets) {
        for (QWidget* w : widgets)
            w->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints[watched];
        return false;
    }
    std::map<QObject*, int> paints;
};

// A transfer that lets no window event run between its messages, as a blocking one would.
class NoEventLoop {
public:
    NoEventLoop() {
        SetMessagePump([](int limit) { return DispatchPostedMessages(limit); });
    }
    ~NoEventLoop() { kivo::ui::InstallEventPump(); }
    NoEventLoop(const NoEventLoop&) = delete;
    NoEventLoop& operator=(const NoEventLoop&) = delete;
};

}  // namespace

TEST_F(MainFrmTest, BallsLieOnTheGridInTheirOrder) {
    TMainFrm& f = Create();
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            QLabel* ball = f.BallImages[kBallGrid[row][column] - 1];
            EXPECT_EQ(ball->geometry(), QRect(21 + 12 * column, 29 + 12 * row, 11, 11))
                << row << "," << column;
            EXPECT_EQ(ball->parentWidget(), f.Image3);
        }
    }
}

TEST_F(MainFrmTest, ProgressMessagesLightBallsAndShowSizes) {
    ScopedVirtualClock clock;
    TMainFrm& f = Create();
    struct Step {
        int32_t position;
        int lit;
        std::string sizes;
    };
    const int32_t total = 3 * 1024 * 100;  // 300 KB
    const Step steps[] = {
        {0, 0, "0 KB / 300 KB"},  // no ball yet: they stay as they are
        {total / 3, 12, "100 KB / 300 KB"},
        {total / 2, 18, "150 KB / 300 KB"},
        {total, 36, "300 KB / 300 KB"},
        {total + 5000, 36, "300 KB / 300 KB"},  // beyond the size counts as the size
        {0, 36, "0 KB / 300 KB"},               // a count of 0 leaves the balls as they are
    };
    SendMessageA(f.handle(), kTransferStartMessage, static_cast<WPARAM>(total), 0);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.position);
        SendMessageA(f.handle(), kTransferProgressMessage, static_cast<WPARAM>(s.position), 0);
        EXPECT_EQ(LitBalls(f), s.lit);
        EXPECT_EQ(f.sbBottom[1]->text().toStdString(), s.sizes);
        for (int k = 0; k < s.lit; ++k)
            EXPECT_FALSE(f.BallImages[k]->isHidden()) << k;
    }
    f.ResetProgress();
    EXPECT_EQ(LitBalls(f), 0);
    EXPECT_EQ(f.sbBottom[1]->text(), "");

    // A total of 0 lights nothing and divides nothing.
    SendMessageA(f.handle(), kTransferStartMessage, 0, 0);
    SendMessageA(f.handle(), kTransferProgressMessage, 100, 0);
    EXPECT_EQ(LitBalls(f), 0);
    EXPECT_EQ(f.sbBottom[1]->text(), "0 KB / 0 KB");
}

TEST_F(MainFrmTest, WhatAProgressMessageChangesIsPaintedAtOnceAndNothingElse) {
    ScopedVirtualClock clock;
    TMainFrm& f = Create();
    ASSERT_GT(f.BitsPerPixel, 8);
    f.show();
    QCoreApplication::processEvents();
    NoEventLoop blocking;
    const int32_t total = 36 * 1024;
    SendMessageA(f.handle(), kTransferStartMessage, total, 0);
    QLabel* first = f.BallImages[0];
    QLabel* second = f.BallImages[1];
    PaintCounter counter{f.sbBottom[0], f.sbBottom[1], f.sbBottom[2], first, second};
    struct Step {
        int32_t position;
        std::set<QObject*> painted;  // the others must not be painted
    };
    const Step steps[] = {
        {1024, {f.sbBottom[1], f.sbBottom[2], first}},
        {1024, {}},                       // nothing changed
        {2048, {f.sbBottom[1], second}},  // the rate stays 0 CPS
    };
    const std::vector<QObject*> watched = {f.sbBottom[0], f.sbBottom[1], f.sbBottom[2], first,
                                           second};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.position);
        counter.paints.clear();
        SendMessageA(f.handle(), kTransferProgressMessage, static_cast<WPARAM>(s.position), 0);
        for (size_t i = 0; i < watched.size(); ++i)
            EXPECT_EQ(counter.paints[watched[i]] > 0, s.painted.count(watched[i]) != 0) << i;
    }
    EXPECT_EQ(f.sbBottom[1]->text(), "2 KB / 36 KB");
    EXPECT_FALSE(second->isHidden());
}

TEST_F(MainFrmTest, StatusTextPaintsTheWholeWindowAtOnce) {
    TMainFrm& f = Create();
    f.show();
    QCoreApplication::processEvents();
    NoEventLoop blocking;
    PaintCounter counter{f.sbBottom[0], f.listFlashMemory->currentView()->viewport(),
                         f.listSmartMedia->currentView()->viewport(), f.Label16};
    f.SetStatusText("Formatting", "", "");
    for (const auto& [widget, paints] : counter.paints)
        EXPECT_GT(paints, 0);
    EXPECT_EQ(counter.paints.size(), 4u);
}

// Every figure and caption is shown whole in the font the user chose, nothing overlaps, and all
// of it stays inside the window.
TEST_F(MainFrmTest, FiguresAndCaptionsFitTheChosenFont) {
    ScopedVirtualClock clock;
    packs.english[10073] = "Available Free Space";
    packs.korean[10073] =
        "\xec\x82\xac\xec\x9a\xa9 \xea\xb0\x80\xeb\x8a\xa5\xed\x95\x9c "
        "\xea\xb3\xb5\xea\xb0\x84";
    struct Case {
        const char* langId;
        int pointSize;  // 0: the default
    };
    const Case cases[] = {{"0409", 0}, {"0409", 14}, {"0409", 18}, {"0412", 0}, {"0412", 18}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.langId << " " << c.pointSize);
        form.reset();
        TMainFrm& f = Create(c.langId);
        if (c.pointSize != 0) {
            QFont chosen = f.font();
            chosen.setPointSize(c.pointSize);
            f.setFont(chosen);
        }
        f.ShowFileInfo("Lecture 01.mp3", "10,240 KB");
        SendMessageA(f.handle(), kTransferStartMessage, 20000000, 0);
        clock->Advance(10000);
        SendMessageA(f.handle(), kTransferProgressMessage, 5809500, 0);
        ASSERT_EQ(f.sbBottom[2]->text(), "580,950 CPS");
        ASSERT_EQ(f.sbBottom[1]->text(), "5,674 KB / 19,532 KB");
        QWidget* bar = f.sbBottom[0]->parentWidget();
        for (size_t i = 1; i < 3; ++i) {
            QLabel* panel = f.sbBottom[i];
            EXPECT_GE(panel->width(), panel->sizeHint().width()) << i;
            EXPECT_GE(panel->height(), panel->fontMetrics().height()) << i;
            EXPECT_GE(panel->x(), f.sbBottom[i - 1]->geometry().right()) << i;
        }
        EXPECT_LE(f.sbBottom[2]->geometry().right(), bar->width());

        QLabel* captions[] = {f.Label1, f.Label2, f.Label5, f.Label6, f.Label7};
        QLabel* values[] = {f.Label16, f.Label17, f.Label20, f.Label21, f.Label22};
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            EXPECT_GE(captions[i]->width(), captions[i]->sizeHint().width());
            EXPECT_GE(captions[i]->height(), captions[i]->fontMetrics().height());
            EXPECT_LT(captions[i]->geometry().right(), values[i]->x());
            // A name can be longer than any place; the figures never are.
            if (values[i] != f.Label16) {
                EXPECT_GE(values[i]->width(), values[i]->sizeHint().width());
            }
            EXPECT_EQ(values[i]->y(), captions[i]->y());
            if (i > 0) {
                EXPECT_GT(captions[i]->y(), captions[i - 1]->geometry().bottom());
            }
        }
        EXPECT_LE(f.Label7->geometry().bottom(), f.panelStatus->height());
        EXPECT_LE(f.PanelBottom->geometry().bottom(), bar->y());
        EXPECT_EQ(bar->geometry().bottom() + 1, f.centralWidget()->height());
    }
}

// Names from the player or the PC that look like markup show as they are.
TEST_F(MainFrmTest, NamesShowAsPlainText) {
    TMainFrm& f = Create();
    const std::string name = "<b>x</b><img src=\"y.png\">.mp3";
    f.ShowFileInfo(name, "1 KB");
    f.SetStatusText(name, "", "");
    for (QLabel* label : {f.Label16, f.sbBottom[0]}) {
        EXPECT_EQ(label->text().toStdString(), name);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
}

TEST_F(MainFrmTest, FiguresShowAgainAfterTheBarWasCleared) {
    // The same figures after a Stop or a cleared bar are shown again, not taken as shown.
    ScopedVirtualClock clock;
    TMainFrm& f = Create();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        SendMessageA(f.handle(), kTransferStartMessage, 4096, 0);
        clock->Advance(1000);
        SendMessageA(f.handle(), kTransferProgressMessage, 2048, 0);
        EXPECT_EQ(f.sbBottom[1]->text(), "2 KB / 4 KB");
        EXPECT_EQ(f.sbBottom[2]->text(), "2,048 CPS");
        EXPECT_EQ(LitBalls(f), 18);
        if (round == 0)
            f.Stop1Click();
        EXPECT_EQ(f.sbBottom[1]->text(), round == 0 ? "" : "2 KB / 4 KB");
        EXPECT_EQ(LitBalls(f), round == 0 ? 0 : 18);
    }
}

TEST_F(MainFrmTest, RateIsBytesPerSecondRoundedHalfToEven) {
    ScopedVirtualClock clock;
    TMainFrm& f = Create();
    struct Case {
        uint64_t elapsedMs;
        int32_t done;
        std::string rate;
    };
    const Case cases[] = {
        {0, 4096, "0 CPS"},  {2000, 1048576, "524,288 CPS"},
        {2000, 5, "2 CPS"},  // 2.5 goes to the even 2
        {2000, 7, "4 CPS"},  // 3.5 goes to the even 4
        {3000, 10, "3 CPS"}, {1, 2000000000, "2,000,000,000,000 CPS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.done);
        SendMessageA(f.handle(), kTransferStartMessage, 0x7FFFFFFF, 0);
        clock->Advance(c.elapsedMs);
        SendMessageA(f.handle(), kTransferProgressMessage, static_cast<WPARAM>(c.done), 0);
        EXPECT_EQ(f.sbBottom[2]->text().toStdString(), c.rate);
    }
}

TEST_F(MainFrmTest, RateFollowsTheMonotonicClockWhenTheClockOfTheDayGoesBack) {
    ClockSetBack clock;
    SetClock(&clock);
    TMainFrm& f = Create();
    SendMessageA(f.handle(), kTransferStartMessage, 1 << 20, 0);
    clock.ticks += 4000;
    SendMessageA(f.handle(), kTransferProgressMessage, 1 << 20, 0);
    SetClock(nullptr);
    EXPECT_EQ(f.sbBottom[2]->text().toStdString(), "262,144 CPS");
}

TEST_F(MainFrmTest, SizesInMessagesAreSigned32BitNumbers) {
    ScopedVirtualClock clock;
    TMainFrm& f = Create();
    // 0xFFFFFFFF in the parameter is -1: no size, no ball, no division by a huge total.
    SendMessageA(f.handle(), kTransferStartMessage, 0xFFFFFFFFu, 0);
    EXPECT_EQ(f.TotalBytes, -1);
    SendMessageA(f.handle(), kTransferStartMessage, 2000, 0);
    SendMessageA(f.handle(), kTransferProgressMessage, 0xFFFFFFFFu, 0);
    EXPECT_EQ(f.DoneBytes, -1);
    EXPECT_EQ(LitBalls(f), 0);
}

TEST_F(MainFrmTest, ConversionProgressMovesTheDialogsBarsOnly) {
    TMainFrm& f = Create();
    EXPECT_EQ(SendMessageA(f.handle(), kConvertProgressMessage, 50, 1), 0);  // no dialog yet
    TWaveConvForm dialog(&f, f.StringLib);
    SendMessageA(f.handle(), kConvertProgressMessage, 50, 1);
    SendMessageA(f.handle(), kConvertProgressMessage, 75, 2);
    SendMessageA(f.handle(), kConvertProgressMessage, 20, 0);
    SendMessageA(f.handle(), kConvertProgressMessage, 20, 3);
    EXPECT_EQ(dialog.LoadProgressBar->value(), 50);
    EXPECT_EQ(dialog.ConvertProgressBar->value(), 75);
}

TEST_F(MainFrmTest, ShowErrorCodeGivesEachStatusItsMessageAndIcon) {
    for (unsigned id = 10110; id <= 10119; ++id)
        packs.english[id] = "M" + std::to_string(id);
    packs.english[10120] = "Failed.%1Check the player.";
    TMainFrm& f = Create();
    struct Case {
        int16_t status;
        std::string text;  // empty: no box
        UINT icon;
    };
    const std::string formatted = "Failed.\r\nCheck the player.";
    const Case cases[] = {
        {-101, "M10110", MB_ICONWARNING},
        {-102, "M10112", MB_ICONWARNING},
        {-103, "M10111", MB_ICONERROR},
        {-104, "M10113", MB_ICONWARNING},
        {-105, "", 0},
        {-110, "", 0},
        {-111, formatted, MB_ICONERROR},
        {-112, formatted, MB_ICONERROR},
        {-113, "M10114", MB_ICONERROR},
        {-114, "M10115", MB_ICONERROR},
        {-115, "M10119", MB_ICONERROR},
        {1, "M10116", MB_ICONERROR},
        {3, "M10117", MB_ICONERROR},
        {12, formatted, MB_ICONERROR},
        {18, "M10118", MB_ICONERROR},
        {7, formatted, MB_ICONERROR},
        {-1, formatted, MB_ICONERROR},
        {-120, formatted, MB_ICONERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        size_t before = boxes.shown().size();
        f.ShowErrorCode(c.status);
        if (c.text.empty()) {
            EXPECT_EQ(boxes.shown().size(), before);
            continue;
        }
        ASSERT_EQ(boxes.shown().size(), before + 1);
        EXPECT_EQ(boxes.shown().back().text, c.text);
        EXPECT_EQ(boxes.shown().back().flags, MB_OK | c.icon);
    }
}

TEST_F(MainFrmTest, TranslatorsFormatSignsNeverReachAFormatter) {
    packs.english[10120] = "%s%n%d 100% sure%1";
    TMainFrm& f = Create();
    f.ShowErrorCode(-120);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "%s%n%d 100% sure\r\n");
}
