#include "platform/ui/application.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/form_window.h"
#include "platform/win/application.h"
#include "platform/win/lang.h"
#include "platform/win/msgbox.h"
#include "platform/win/window.h"

#include <QCursor>
#include <QEventLoop>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <memory>

namespace kivo::ui {

namespace {

AppMessageHook& appHook() {
    static AppMessageHook hook;
    return hook;
}

// The locale of a language identifier, for the languages the suite is made for.
QLocale LocaleOf(uint16_t langId) {
    switch (PrimaryLangOf(langId)) {
        case kLangKorean:
            return QLocale(QLocale::Korean, QLocale::SouthKorea);
        case kLangJapanese:
            return QLocale(QLocale::Japanese, QLocale::Japan);
        case kLangChinese:
            return SubLangOf(langId) == 2 ? QLocale(QLocale::Chinese, QLocale::China)
                                          : QLocale(QLocale::Chinese, QLocale::Taiwan);
        default:
            return QLocale(QLocale::English, QLocale::UnitedStates);
    }
}

bool& waitCursor() {
    static bool shown = false;
    return shown;
}

QMessageBox::Icon IconOf(UINT flags) {
    switch (flags & 0xF0) {
        case MB_ICONERROR:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONWARNING:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

int ShowQtMessageBox(const MessageBoxRequest& request) {
    QWidget* owner = FormWindow::FromHandle(request.owner);
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    QMessageBox box(IconOf(request.flags), FromText(request.caption), FromText(request.text),
                    QMessageBox::NoButton, owner);
    // Messages carry file names from the player and the PC: never read as markup.
    box.setTextFormat(Qt::PlainText);
    const bool question = (request.flags & 0xF) == MB_YESNO;
    box.setStandardButtons(question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    if (question)
        box.setDefaultButton(QMessageBox::Yes);
    const int pressed = box.exec();
    // What the box covered is drawn again now: a long command often follows the answer and
    // handles no events until it ends.
    if (owner != nullptr)
        PaintWholeNow(owner->window());
    if (!question)
        return IDOK;
    return pressed == QMessageBox::Yes ? IDYES : IDNO;
}

constexpr int kExposeWaitMs = 1000;

}  // namespace

void SetAppMessageHook(AppMessageHook hook) {
    appHook() = std::move(hook);
}

bool DeliverAppMessage(const AppMessage& message) {
    return appHook() && appHook()(message);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    InstallFontSubstitutes();
    InstallEventPump();
    InstallQtMessageBoxes();
    InstallQtDialogs();
    InstallSystemTranslations();
}

Application::~Application() {
    SetMessagePump(nullptr);
    SetMessageBoxHook(nullptr);
    SetCommonDialogs(nullptr);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleException(e.what());
    } catch (...) {
        HandleException("Unknown exception");
    }
    return false;
}

void Application::HandleException(const std::string& what) {
    if (exceptionHandler_) {
        exceptionHandler_(what);
        return;
    }
    MessageBoxA(ApplicationWindow(), what.c_str(), ApplicationTitle().c_str(),
                MB_OK | MB_ICONERROR);
    QCoreApplication::exit(1);
}

void InstallFontSubstitutes() {
    // The fonts the programs name by their original platform's names, mapped to free fonts
    // that cover the same writing systems.
    const QStringList hangul = {QStringLiteral("NanumGothic"), QStringLiteral("NanumBarunGothic"),
                                QStringLiteral("Noto Sans CJK KR")};
    QFont::insertSubstitutions(QStringLiteral("Gulim"), hangul);
    QFont::insertSubstitutions(QString::fromUtf8("\xea\xb5\xb4\xeb\xa6\xbc"), hangul);
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"),
                               {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"),
                                QStringLiteral("VL Gothic")});
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
}

void InstallSystemTranslations() {
    static std::unique_ptr<QTranslator> installed;
    if (installed)
        QCoreApplication::removeTranslator(installed.get());
    installed.reset();
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(LocaleOf(GetSystemDefaultLangID()), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        installed = std::move(translator);
}

void InstallEventPump() {
    SetMessagePump([](int limit) {
        int ran = DispatchPostedMessages(limit);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return ran;
    });
}

void InstallQtMessageBoxes() {
    SetMessageBoxHook(ShowQtMessageBox);
}

void PaintWholeNow(QWidget* window) {
    // A repaint alone leaves the children whose pictures the window keeps: those are what the
    // screen lost under the box.
    for (QWidget* child : window->findChildren<QWidget*>())
        child->update();
    window->repaint();
}

void ShowPainted(QWidget* window) {
    window->show();
    QWindow* handle = window->windowHandle();
    bool late = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&late] { late = true; });
    limit.start(kExposeWaitMs);
    while (handle != nullptr && !handle->isExposed() && !late)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    window->repaint();
}

void SetWaitCursor(bool wait) {
    if (wait == waitCursor())
        return;
    waitCursor() = wait;
    if (wait)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

bool WaitCursorShown() {
    return waitCursor();
}

QString FromText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

}  // namespace kivo::ui
