#include "explorer/AboutRtn.h"
#include "explorer/tests/mainfrm/fixture.h"
#include "platform/ui/application.h"
#include "platform/win/application.h"
#include "platform/win/process.h"

#include <QAction>
#include <QBitmap>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <stdexcept>

using kivo::ui::ViewStyle;

TEST_F(MainFrmTest, CreationLeavesEnglishTextsReportViewAndTheFlashListCurrent) {
    packs.english[10120] = "Check the player.%1Then try again.";
    TMainFrm& f = Create("0409");
    EXPECT_EQ(Caption(f.File1), "E10000");
    EXPECT_EQ(Caption(f.Exit1), "E10013");
    EXPECT_EQ(Caption(f.Option1), "E10026");
    EXPECT_EQ(Caption(f.SC4TrueSpeechTM1), "E10033");
    EXPECT_EQ(Caption(f.Format2), "E10065");
    EXPECT_EQ(f.Label7->text().toStdString(), "E10074");
    EXPECT_EQ(f.listSmartMedia->model().headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(),
              "E10080");
    EXPECT_EQ(f.sbReportIcon->toolTip(), "E10809");
    // Web-link items in menu order carry 10050, 10051, 10052, 10053, 10057, 10054, 10055;
    // an English system hides items 3 and 4.
    const char* links[] = {"E10050", "E10051", "E10052", "E10053", "E10057", "E10054", "E10055"};
    const bool shown[] = {true, true, false, false, true, true, true};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Caption(f.WebLinks[i]), links[i]);
        EXPECT_EQ(f.WebLinks[i]->isVisible(), shown[i]) << i;
    }
    EXPECT_TRUE(f.sbReportIcon->isChecked());
    EXPECT_EQ(f.listFlashMemory->viewStyle(), ViewStyle::Report);
    EXPECT_EQ(f.listSmartMedia->viewStyle(), ViewStyle::Report);
    EXPECT_EQ(f.ActiveMemory, 0);
    EXPECT_EQ(f.CurrentList, f.listFlashMemory);
    EXPECT_EQ(f.notebookLeft->currentIndex(), 1);
    EXPECT_EQ(f.notebookRight->currentIndex(), 0);
    EXPECT_EQ(f.listFlashMemory->background(), f.ActiveColor);
    EXPECT_EQ(f.listSmartMedia->background(), f.InactiveColor);
    EXPECT_FALSE(f.Busy);
    EXPECT_TRUE(f.listFlashMemory->acceptsFiles());
    EXPECT_TRUE(f.listSmartMedia->acceptsFiles());
    EXPECT_EQ(f.Label16->text(), "");
    EXPECT_EQ(f.Label20->text(), "0E10124");
    EXPECT_EQ(f.Label22->text(), "0 KB");
    EXPECT_EQ(ApplicationWindow(), f.handle());
    // The figures of the layout.
    EXPECT_EQ(f.centralWidget()->width(), 596);
    EXPECT_EQ(f.PanelLeft->width(), 298);
    EXPECT_EQ(f.PanelRight->width(), 298);
    EXPECT_EQ(f.PanelBottom->height(), 117);
    EXPECT_EQ(f.panelDownloadStatus->width(), 111);
    EXPECT_EQ(f.sbBottom[0]->width() + 2, 323);
    EXPECT_EQ(f.listFlashMemory->ColumnWidth(0), 102);
    EXPECT_EQ(f.listFlashMemory->ColumnWidth(3), 0);
}

TEST_F(MainFrmTest, KoreanSystemLoadsTheKoreanPackAndHidesWebLinkFive) {
    TMainFrm& f = Create("0412");
    EXPECT_EQ(Caption(f.File1), "K10000");
    EXPECT_EQ(Caption(f.TelephoneBook1), "K10032");
    const bool shown[] = {true, true, true, true, false, true, true};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(f.WebLinks[i]->isVisible(), shown[i]) << i;
    // Gulim, as the system names it in code page 949, with the Hangul character set.
    EXPECT_EQ(f.font().family().toStdString(), "\xea\xb5\xb4\xeb\xa6\xbc");
    EXPECT_EQ(f.FontCharset, 129);
}

TEST_F(MainFrmTest, ColourDepthChoosesPicturesAndColours) {
    struct Case {
        int16_t depth;
        int logoWidth;
        bool background;
        bool maskedBall;
    };
    const Case cases[] = {
        {32, 64, true, false}, {16, 64, true, false}, {8, 48, false, true}, {4, 48, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        TMainFrm& f = Create("0409", c.depth);
        EXPECT_EQ(f.BitsPerPixel, c.depth);
        EXPECT_EQ(f.imageKivo->pixmap().width(), c.logoWidth);
        EXPECT_EQ(!f.Image2->isHidden(), c.background);
        EXPECT_EQ(!f.BallImages[0]->pixmap().mask().isNull(), c.maskedBall);
        if (c.depth > 8) {
            EXPECT_EQ(f.ActiveColor, QColor(0xFD, 0xF4, 0xD0));
            EXPECT_EQ(f.InactiveColor, QColor(0xAD, 0xB5, 0xBD));
        } else {
            EXPECT_EQ(f.ActiveColor, f.palette().color(QPalette::Base));
            EXPECT_EQ(f.InactiveColor, f.palette().color(QPalette::Button));
        }
        EXPECT_EQ(f.centralWidget()->palette().color(QPalette::Window), f.InactiveColor);
        EXPECT_EQ(f.listFlashMemory->background(), f.ActiveColor);
        form.reset();
    }
}

TEST_F(MainFrmTest, MissingTextPackGivesEmptyTextsAndTheWindowRuns) {
    packs.writeTextPacks = false;
    TMainFrm& f = Create();
    EXPECT_EQ(Caption(f.File1), "");
    EXPECT_EQ(f.Label1->text(), "");
    EXPECT_EQ(f.Label20->text(), "0");
    f.ShowErrorCode(-113);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "");
}

TEST_F(MainFrmTest, MissingBitmapStopsCreationWithItsName) {
    for (const char* name : {"256MENU", "256BALL", "HDRCARDON", "BTNSTOP", "FILE3SMALL"}) {
        SCOPED_TRACE(name);
        TempDir folder;
        TestPacks broken;
        broken.leaveOutBitmaps = {name};
        broken.WriteTo(folder.path());
        ScopedEnv dir("KIVO_PACK_DIR", folder.path().string());
        try {
            TMainFrm f(32);
            ADD_FAILURE() << "created without " << name;
        } catch (const ResourceError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("Resource ") + name + " not found");
        }
    }
    // The 8-bit set is asked for on its own.
    TempDir folder;
    TestPacks broken;
    broken.leaveOutBitmaps = {"016STAT"};
    broken.WriteTo(folder.path());
    ScopedEnv dir("KIVO_PACK_DIR", folder.path().string());
    EXPECT_NO_THROW(TMainFrm(32));
    EXPECT_THROW(TMainFrm(8), ResourceError);
}

TEST_F(MainFrmTest, CloseIsRefusedWhileBusy) {
    TMainFrm& f = Create();
    f.show();
    f.SetBusy(true);
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    f.Exit1->trigger();  // disabled while busy: nothing happens
    EXPECT_TRUE(f.isVisible());
    f.SetBusy(false);
    f.Exit1->trigger();
    EXPECT_FALSE(f.isVisible());
}

TEST_F(MainFrmTest, AWindowDestroyedWhileShownLetsItsListsGoFirst) {
    // Closing a shown window lays out its lists once more, and their rows ask for their
    // pictures: those must still be there.
    TMainFrm& f = Create();
    f.show();
    QCoreApplication::processEvents();
    // Rows that came in since the last layout, as after a refresh.
    for (kivo::ui::ListView* list : {f.listFlashMemory, f.listSmartMedia}) {
        ListViewControl& rows = list->control();
        for (int i = 0; i < 3; ++i)
            rows.SetImage(rows.InsertRow(i, "song" + std::to_string(i) + ".mp3", 0), 0);
    }
    form.reset();
    EXPECT_EQ(form, nullptr);
}

TEST_F(MainFrmTest, BusyLeavesOnlyStop) {
    TMainFrm& f = Create();
    f.SetBusy(true);
    EXPECT_TRUE(kivo::ui::WaitCursorShown());
    for (QAction* a : {f.Connect1, f.CopyToFlashMemory, f.PC1, f.FlashMemory1, f.Delete1,
                       f.PlayOrder, f.Refresh1, f.Exit1, f.Font1, f.Option1, f.SC4TrueSpeechTM1,
                       f.About1, f.CopyFromPC1, f.Format2, f.Report1})
        EXPECT_FALSE(a->isEnabled()) << Caption(a);
    EXPECT_TRUE(f.Stop1->isEnabled());
    EXPECT_TRUE(f.Stop2->isEnabled());
    EXPECT_TRUE(f.sbStop->isEnabled());
    EXPECT_FALSE(f.SpeedButton1->isEnabled());
    EXPECT_FALSE(f.sbTrash->isEnabled());
    // The handlers refuse too, whatever road reaches them.
    f.Font1Click();
    EXPECT_TRUE(dialogs.fontRequests().empty());
    f.SetBusy(false);
    EXPECT_FALSE(kivo::ui::WaitCursorShown());
    EXPECT_TRUE(f.Connect1->isEnabled());
}

TEST_F(MainFrmTest, ViewStyleHandlersSetBothListsAndClearTheStatusBar) {
    TMainFrm& f = Create();
    struct Case {
        QAction* item;
        QToolButton* button;
        ViewStyle style;
    };
    const Case cases[] = {{f.LargeIcon1, f.sbLargeIcon, ViewStyle::LargeIcon},
                          {f.SmallIcon1, f.sbSmallIcon, ViewStyle::SmallIcon},
                          {f.ListIcon1, f.sbListIcon, ViewStyle::List},
                          {f.Report1, f.sbReportIcon, ViewStyle::Report}};
    for (const Case& c : cases) {
        f.SetStatusText("a", "b", "c");
        c.item->trigger();
        EXPECT_EQ(f.listFlashMemory->viewStyle(), c.style);
        EXPECT_EQ(f.listSmartMedia->viewStyle(), c.style);
        EXPECT_TRUE(c.button->isChecked());
        EXPECT_EQ(f.sbBottom[0]->text(), "");
        f.SetStatusText("a", "b", "c");
        f.sbLargeIcon->click();
        EXPECT_EQ(f.listSmartMedia->viewStyle(), ViewStyle::LargeIcon);
        c.button->click();
        EXPECT_EQ(f.listFlashMemory->viewStyle(), c.style);
        EXPECT_EQ(f.sbBottom[2]->text(), "");
    }
}

TEST_F(MainFrmTest, ListKeysAndClicksMakeTheirListCurrent) {
    TMainFrm& f = Create();
    f.listSmartMediaKeyDown(Qt::Key_A);
    EXPECT_EQ(f.ActiveMemory, 1);
    EXPECT_EQ(f.CurrentList, f.listSmartMedia);
    EXPECT_EQ(f.notebookRight->currentIndex(), 1);
    EXPECT_EQ(f.listSmartMedia->background(), f.ActiveColor);
    f.listFlashMemoryMouseDown(Qt::LeftButton, {});
    EXPECT_EQ(f.ActiveMemory, 0);
    EXPECT_EQ(f.Label17->text(), "0 KB");
    EXPECT_FALSE(f.PopupEn->isVisible());
    f.show();
    f.listSmartMediaMouseDown(Qt::RightButton, f.mapToGlobal(QPoint(300, 100)));
    EXPECT_EQ(f.ActiveMemory, 1);
    EXPECT_TRUE(f.PopupEn->isVisible());
    f.PopupEn->hide();
}

TEST_F(MainFrmTest, WebLinksOpenTheirAddressAndTheTelephoneBookStartsBesideUs) {
    packs.english[10051] = "https://kivo.example/support?a=1&b=2";
    TMainFrm& f = Create();
    std::vector<ProcessLaunch> started;
    SetLaunchHook([&](const ProcessLaunch& launch) { started.push_back(launch); });
    TempDir bin;
    {
        std::ofstream(bin.path() / "dialbook") << "#!/bin/sh\n";
        std::filesystem::permissions(bin.path() / "dialbook", std::filesystem::perms::owner_all);
    }
    ScopedEnv path("PATH", bin.path().string());
    f.SetStatusText("x", "", "");
    f.WebLinks[1]->trigger();
    EXPECT_EQ(f.sbBottom[0]->text(), "");
    EXPECT_EQ(Caption(f.WebLinks[1]), "https://kivo.example/support?a=1&&b=2");
    f.TelephoneBook1->trigger();
    SetLaunchHook(nullptr);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].program, "xdg-open");
    EXPECT_EQ(started[0].argument, "https://kivo.example/support?a=1&b=2");
    EXPECT_EQ(started[1].program, FindProgram("dialbook.exe").string());
    EXPECT_FALSE(started[1].program.empty());
}

namespace {

// An object whose event handler fails, as a command with a fault would.
class FailingHandler : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Access violation");
        return QObject::event(e);
    }
};

}  // namespace

// The exception reaches the window's handler as in the program, from inside the application's
// loop: the handler ends that loop. Nothing of it may outlive the loop, or every later modal
// dialog of the process would close as soon as it opens.
TEST_F(MainFrmTest, AnExceptionIsShownAsAnErrorAndEndsTheApplicationsLoop) {
    SetApplicationTitle("kivo Explorer - Q Series");
    Create();
    FailingHandler failing;
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    EXPECT_EQ(QApplication::exec(), 1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Access violation");
    EXPECT_EQ(boxes.shown()[0].caption, "kivo Explorer - Q Series");
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);

    QDialog later;
    bool openWhenAnswered = false;
    QTimer::singleShot(0, &later, [&] {
        openWhenAnswered = later.isVisible();
        later.accept();
    });
    EXPECT_EQ(later.exec(), QDialog::Accepted);
    EXPECT_TRUE(openWhenAnswered);
}

TEST_F(MainFrmTest, TheSplashHidesWhenTheWindowFirstShows) {
    TMainFrm& f = Create();
    TAboutFrm splash;
    splash.ShowSplash();
    f.SetAboutBox(&splash);
    f.show();
    EXPECT_FALSE(splash.isVisible());
}
