#include "platform/ui/application.h"
#include "platform/ui/form_window.h"
#include "platform/win/application.h"
#include "platform/win/msgbox.h"
#include "platform/win/window.h"
#include "testing/scoped_env.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using kivo::ui::FormWindow;

namespace {

class RecordingForm : public FormWindow {
public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back({message, wParam, lParam});
        return static_cast<LRESULT>(wParam) + 1;
    }
    struct Seen {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Seen> seen;
};

// An object whose events throw, as a handler with a fault would.
class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("disk on fire");
        if (e->type() == QEvent::User + 1)
            throw 42;
        return QObject::event(e);
    }
};

}  // namespace

TEST(FormWindow, AnswersMessagesSentToItsHandle) {
    HWND handle;
    {
        RecordingForm form;
        handle = form.handle();
        EXPECT_EQ(FormWindow::FromHandle(handle), &form);
        EXPECT_EQ(SendMessageA(handle, kTransferStartMessage, 1000, 0), 1001);
        EXPECT_EQ(SendMessageA(handle, kConvertProgressMessage, 50, 1), 51);
        ASSERT_EQ(form.seen.size(), 2u);
        EXPECT_EQ(form.seen[1].message, kConvertProgressMessage);
        EXPECT_EQ(form.seen[1].lParam, 1);
    }
    EXPECT_EQ(FormWindow::FromHandle(handle), nullptr);
    EXPECT_EQ(SendMessageA(handle, kTransferStartMessage, 1, 0), 0);
}

TEST(FormWindow, TheMainFormIsTheFirstFormStillOpen) {
    EXPECT_EQ(FormWindow::MainForm(), nullptr);
    auto first = std::make_unique<RecordingForm>();
    RecordingForm second;
    EXPECT_EQ(FormWindow::MainForm(), first.get());
    first.reset();
    EXPECT_EQ(FormWindow::MainForm(), &second);
}

TEST(EventPump, RunsPostedMessagesAndQtEvents) {
    RecordingForm form;
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    PostMessageA(form.handle(), WM_USER + 1, 7, 0);
    PumpAllMessages();
    EXPECT_TRUE(timerRan);
    ASSERT_EQ(form.seen.size(), 1u);
    EXPECT_EQ(form.seen[0].wParam, 7u);
}

TEST(AppExceptions, ReachTheHandlerInsteadOfEndingTheProgram) {
    auto* app = static_cast<kivo::ui::Application*>(QCoreApplication::instance());
    std::vector<std::string> caught;
    app->SetExceptionHandler([&](const std::string& what) { caught.push_back(what); });
    Thrower thrower;
    QEvent first(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &first);
    QEvent second(static_cast<QEvent::Type>(QEvent::User + 1));
    QCoreApplication::sendEvent(&thrower, &second);
    app->SetExceptionHandler(nullptr);
    EXPECT_EQ(caught, (std::vector<std::string>{"disk on fire", "Unknown exception"}));
}

TEST(QtMessageBoxes, ShowTitleTextIconAndAnswerAsThePlatformDoes) {
    kivo::ui::InstallQtMessageBoxes();
    struct Case {
        UINT flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press;
        int answer;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONERROR, QMessageBox::Critical, QMessageBox::Ok, IDOK},
        {MB_OK | MB_ICONWARNING, QMessageBox::Warning, QMessageBox::Ok, IDOK},
        {MB_OK | MB_ICONINFORMATION, QMessageBox::Information, QMessageBox::Ok, IDOK},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Question, QMessageBox::Yes, IDYES},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Question, QMessageBox::No, IDNO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        QMessageBox::StandardButtons buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            icon = box->icon();
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            box->button(c.press)->click();
        });
        EXPECT_EQ(MessageBoxA(nullptr, "Line one\r\nline two", "kivo Explorer - Q Series", c.flags),
                  c.answer);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(title, "kivo Explorer - Q Series");
        EXPECT_EQ(text, "Line one\nline two");
        EXPECT_EQ(buttons.testFlag(QMessageBox::Yes), (c.flags & 0xF) == MB_YESNO);
    }
    SetMessageBoxHook(nullptr);
}

// Names from the player or the PC may look like markup; the box shows them as they are.
TEST(QtMessageBoxes, ShowNamesAsPlainText) {
    kivo::ui::InstallQtMessageBoxes();
    for (const char* name : {"<b>x</b>.mp3", "<img src=\"a.png\">.wav"}) {
        SCOPED_TRACE(name);
        Qt::TextFormat format = Qt::AutoText;
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            format = box->textFormat();
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            shown = label->text();
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            box->button(QMessageBox::Ok)->click();
        });
        MessageBoxA(nullptr, (std::string("Cannot open ") + name).c_str(),
                    "kivo Explorer - Q Series", MB_OK | MB_ICONERROR);
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(shown.toStdString(), std::string("Cannot open ") + name);
    }
    SetMessageBoxHook(nullptr);
}

// The system's own buttons speak the system's language.
TEST(QtMessageBoxes, ButtonsSpeakTheSystemLanguage) {
    kivo::ui::InstallQtMessageBoxes();
    const std::pair<const char*, const char*> cases[] = {
        {"0412", "\xec\x98\x88(&Y)"},  // Korean
        {"0409", "&Yes"},
    };
    for (auto [langId, yes] : cases) {
        SCOPED_TRACE(langId);
        kivo::test::ScopedEnv lang("KIVO_LANGID", langId);
        kivo::ui::InstallSystemTranslations();
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->button(QMessageBox::Yes)->text();
            box->button(QMessageBox::No)->click();
        });
        MessageBoxA(nullptr, "Save?", "Telephone Book", MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(shown.toStdString(), yes);
    }
    kivo::ui::InstallSystemTranslations();
    SetMessageBoxHook(nullptr);
}

TEST(WaitCursor, ShowsTheHourglassOnceAndPutsTheArrowBack) {
    kivo::ui::SetWaitCursor(true);
    kivo::ui::SetWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(kivo::ui::WaitCursorShown());
    kivo::ui::SetWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    kivo::ui::SetWaitCursor(false);
    EXPECT_FALSE(kivo::ui::WaitCursorShown());
}
