// The window is drawn again before a command's long call to the player, which handles no window
// events until it ends.
#include "explorer/tests/mainfrm/player_fixture.h"
#include "platform/ui/application.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QMessageBox>

#include <functional>

namespace {

// The link's waits on a virtual clock, each reported before it passes.
class WatchedClock : public VirtualClock {
public:
    explicit WatchedClock(std::function<void()> onWait) : onWait_(std::move(onWait)) {
        previous_ = InstalledClock();
        SetClock(this);
    }
    ~WatchedClock() override { SetClock(previous_); }
    WatchedClock(const WatchedClock&) = delete;
    WatchedClock& operator=(const WatchedClock&) = delete;

    void Sleep(uint32_t ms) override {
        onWait_();
        VirtualClock::Sleep(ms);
    }
    int Poll(int fd, short events, uint32_t ms) override {
        onWait_();
        return VirtualClock::Poll(fd, events, ms);
    }

private:
    std::function<void()> onWait_;
    Clock* previous_ = nullptr;
};

// Counts the paints of the widgets it watches.
class PaintCount : public QObject {
public:
    explicit PaintCount(std::initializer_list<QWidget*> widgets) {
        for (QWidget* widget : widgets)
            widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};

}  // namespace

using Repaint = PlayerTest;
INSTANTIATE_TEST_SUITE_P(Ports, Repaint, testing::Values(0, 1), PortName);

// The real question box, answered Yes by a click: the lists it covered are drawn again before
// the player is first waited for.
TEST_P(Repaint, WhatTheQuestionCoveredIsDrawnBeforeThePlayerIsWaitedFor) {
    struct Case {
        const char* command;
        std::function<void(TMainFrm&)> run;
    };
    const Case cases[] = {
        {"delete",
         [this](TMainFrm& f) {
             Select(f, f.listFlashMemory, {"a.mp3"});
             f.Delete1->trigger();
         }},
        {"format Flash", [](TMainFrm& f) { f.FlashMemory1->trigger(); }},
        {"format card", [](TMainFrm& f) { f.KivoCard1->trigger(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        player->Reset();
        player->Put(kFlash, "a.mp3", Bytes(100, 'a'));
        player->Put(kCard, "c.mp3", Bytes(100, 'c'));
        TMainFrm& f = Open();
        f.show();
        QCoreApplication::processEvents();
        ScopedMessageBoxHook realBoxes(nullptr);
        kivo::ui::InstallQtMessageBoxes();  // until the scope puts the scripted boxes back

        PaintCount lists{f.listFlashMemory->currentView()->viewport(),
                         f.listSmartMedia->currentView()->viewport()};
        bool answered = false;
        int paintsAtFirstWait = -1;
        WatchedClock waits([&] {
            if (answered && paintsAtFirstWait < 0)
                paintsAtFirstWait = lists.count;
        });
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            lists.count = 0;
            answered = true;
            box->button(QMessageBox::Yes)->click();
        });
        c.run(f);
        EXPECT_TRUE(answered);
        EXPECT_GE(paintsAtFirstWait, 2);
    }
}
