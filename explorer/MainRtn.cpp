#include "explorer/MainRtn.h"

#include "appkit/language.h"
#include "appkit/messages.h"
#include "appkit/texts.h"
#include "explorer/AboutRtn.h"
#include "platform/resources/library.h"
#include "platform/ui/application.h"
#include "platform/win/application.h"
#include "platform/win/process.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStackedWidget>
#include <QToolButton>

#include <filesystem>

using kivo::ui::ViewStyle;

namespace {

int16_t ScreenDepth() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return static_cast<int16_t>(screen != nullptr ? screen->depth() : 32);
}

}  // namespace

TMainFrm::TMainFrm(std::optional<int16_t> screenDepth) {
    setWindowTitle(QString::fromStdString(ApplicationTitle()));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    setFont(font);
    CreateComponents();
    BindHandlers();

    StringLib = LoadStringLibrary();
    try {
        LoadSkin(screenDepth.value_or(ScreenDepth()));
    } catch (...) {
        FreeResourceLibrary(StringLib);
        throw;
    }
    ApplyUIStrings();
    sbReportIcon->setChecked(true);
    for (QLabel* value : {Label16, Label17, Label20, Label21, Label22})
        value->clear();
    listFlashMemory->SetAcceptFiles(true);
    listSmartMedia->SetAcceptFiles(true);
    SetActiveMemory(0);
    SetBusy(false);
    LoadSettings();
    SetApplicationWindow(handle());
    kivo::ui::SetAppMessageHook([this](const kivo::ui::AppMessage& m) {
        return AppMessageHook(m.message, m.window, m.wParam);
    });
    if (auto* app = dynamic_cast<kivo::ui::Application*>(QCoreApplication::instance()))
        app->SetExceptionHandler([this](const std::string& what) { AppExceptionHandler(what); });
}

TMainFrm::~TMainFrm() {
    // The lists go with the base's children, after imageFileList; closing a shown window lays
    // them out once more.
    listFlashMemory->SetImages(nullptr);
    listSmartMedia->SetImages(nullptr);
    if (auto* app = dynamic_cast<kivo::ui::Application*>(QCoreApplication::instance()))
        app->SetExceptionHandler(nullptr);
    kivo::ui::SetAppMessageHook(nullptr);
    if (ApplicationWindow() == handle())
        SetApplicationWindow(nullptr);
    kivo::ui::SetWaitCursor(false);
    FreeResourceLibrary(StringLib);
}

HMODULE TMainFrm::LoadStringLibrary() {
    return LoadResourceLibrary(TextPackName());
}

std::string TMainFrm::Text(UINT id) const {
    return LoadModuleString(StringLib, id);
}

void TMainFrm::BindHandlers() {
    auto bind = [this](QAction* action, void (TMainFrm::*handler)()) {
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        bound_.insert(action);
    };
    auto bindButton = [this](QToolButton* button, void (TMainFrm::*handler)()) {
        connect(button, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
        bound_.insert(button);
    };
    bind(Connect1, &TMainFrm::Connect1Click);
    bind(Refresh1, &TMainFrm::Connect1Click);
    bind(Refresh2, &TMainFrm::Connect1Click);
    bindButton(SpeedButton1, &TMainFrm::Connect1Click);
    bind(Exit1, &TMainFrm::Exit1Click);
    bind(CopyToFlashMemory, &TMainFrm::CopyToFlashMemoryClick);
    bind(CopyToSmartMedia, &TMainFrm::CopyToSmartMediaClick);
    bind(CopyFromPC1, &TMainFrm::CopyFromPC1Click);
    bind(Stop1, &TMainFrm::Stop1Click);
    bind(Stop2, &TMainFrm::Stop1Click);
    bindButton(sbStop, &TMainFrm::Stop1Click);
    bindButton(sbCopyToFlashMemory, &TMainFrm::CopyToFlashMemoryClick);
    bindButton(sbCopyToSmartMedia, &TMainFrm::CopyToSmartMediaClick);
    bind(PC1, &TMainFrm::PC1Click);
    bind(CopyToPC1, &TMainFrm::PC1Click);
    bindButton(sbCopyToPC, &TMainFrm::PC1Click);
    bind(Delete1, &TMainFrm::Delete1Click);
    bind(Delete2, &TMainFrm::Delete1Click);
    bindButton(sbTrash, &TMainFrm::Delete1Click);
    bind(FlashMemory1, &TMainFrm::FlashMemory1Click);
    bind(KivoCard1, &TMainFrm::KivoCard1Click);
    bind(Format2, &TMainFrm::Format2Click);
    bind(Font1, &TMainFrm::Font1Click);
    bind(LargeIcon1, &TMainFrm::sbLargeIconClick);
    bind(SmallIcon1, &TMainFrm::sbSmallIconClick);
    bind(ListIcon1, &TMainFrm::sbListIconClick);
    bind(Report1, &TMainFrm::sbReportIconClick);
    bindButton(sbLargeIcon, &TMainFrm::sbLargeIconClick);
    bindButton(sbSmallIcon, &TMainFrm::sbSmallIconClick);
    bindButton(sbListIcon, &TMainFrm::sbListIconClick);
    bindButton(sbReportIcon, &TMainFrm::sbReportIconClick);
    bind(TelephoneBook1, &TMainFrm::TelephoneBook1Click);
    bind(Option1, &TMainFrm::Option1Click);
    bind(PlayOrder, &TMainFrm::PlayOrderClick);
    bind(SC4TrueSpeechTM1, &TMainFrm::SC4TrueSpeechTM1Click);
    bind(About1, &TMainFrm::About1Click);
    for (QAction* link : WebLinks) {
        connect(link, &QAction::triggered, this, [this, link] { HomePageClick(link); });
        bound_.insert(link);
    }
    listFlashMemory->onKeyDown = [this](int key) { listFlashMemoryKeyDown(key); };
    listSmartMedia->onKeyDown = [this](int key) { listSmartMediaKeyDown(key); };
    listFlashMemory->onMouseDown = [this](Qt::MouseButton b, QPoint p) {
        listFlashMemoryMouseDown(b, p);
    };
    listSmartMedia->onMouseDown = [this](Qt::MouseButton b, QPoint p) {
        listSmartMediaMouseDown(b, p);
    };
    UpdateCommandStates();
}

void TMainFrm::SetActiveMemory(uint8_t memory) {
    ActiveMemory = memory;
    bool flash = memory == 0;
    SetNotebookPage(notebookLeft, flash ? 1 : 0);
    SetNotebookPage(notebookRight, flash ? 0 : 1);
    listFlashMemory->SetBackground(flash ? ActiveColor : InactiveColor);
    listSmartMedia->SetBackground(flash ? InactiveColor : ActiveColor);
    CurrentList = flash ? listFlashMemory : listSmartMedia;
    ShowMemoryTotals(memory);
}

void TMainFrm::SetNotebookPage(QStackedWidget* notebook, int page) {
    notebook->setCurrentIndex(page);
}

void TMainFrm::SetViewStyle(ViewStyle style) {
    listSmartMedia->SetViewStyle(style);
    listFlashMemory->SetViewStyle(style);
    // The button group shows the style in force, whichever road chose it.
    QToolButton* buttons[] = {sbLargeIcon, sbSmallIcon, sbListIcon, sbReportIcon};
    buttons[static_cast<int>(style)]->setChecked(true);
}

void TMainFrm::sbLargeIconClick() {
    ClearStatusText();
    SetViewStyle(ViewStyle::LargeIcon);
}

void TMainFrm::sbSmallIconClick() {
    ClearStatusText();
    SetViewStyle(ViewStyle::SmallIcon);
}

void TMainFrm::sbListIconClick() {
    ClearStatusText();
    SetViewStyle(ViewStyle::List);
}

void TMainFrm::sbReportIconClick() {
    ClearStatusText();
    SetViewStyle(ViewStyle::Report);
}

void TMainFrm::listFlashMemoryKeyDown(int key) {
    SetActiveMemory(0);
    if (key == Qt::Key_Delete)
        Delete1Click();
}

void TMainFrm::listSmartMediaKeyDown(int key) {
    SetActiveMemory(1);
    if (key == Qt::Key_Delete)
        Delete1Click();
}

void TMainFrm::listFlashMemoryMouseDown(Qt::MouseButton button, QPoint globalPosition) {
    SetActiveMemory(0);
    ShowSelectedFile(true);
    if (button == Qt::RightButton)
        PopupEn->popup(globalPosition);
}

void TMainFrm::listSmartMediaMouseDown(Qt::MouseButton button, QPoint globalPosition) {
    SetActiveMemory(1);
    ShowSelectedFile(true);
    if (button == Qt::RightButton)
        PopupEn->popup(globalPosition);
}

bool TMainFrm::AppMessageHook(UINT message, HWND window, WPARAM wParam) {
    if (message != WM_DROPFILES ||
        (window != listFlashMemory->handle() && window != listSmartMedia->handle()))
        return false;
    if (Busy)
        return true;
    const auto* drop = reinterpret_cast<const kivo::ui::DroppedFiles*>(wParam);
    std::vector<std::string> paths;
    for (const std::string& path : drop->paths) {
        std::error_code ec;
        // Whole paths: a path cut short could name another file.
        if (std::filesystem::is_regular_file(path, ec))
            paths.push_back(path);
    }
    if (paths.empty())
        return true;
    DropFiles(window == listFlashMemory->handle() ? 0 : 1, paths);
    return true;
}

void TMainFrm::AppExceptionHandler(const std::string& what) {
    ShowAppMessage(what, MB_OK | MB_ICONERROR);
    QCoreApplication::exit(1);
}

void TMainFrm::HomePageClick(QAction* item) {
    ClearStatusText();
    ShellOpen(item->data().toString().toStdString().c_str());
}

void TMainFrm::TelephoneBook1Click() {
    ClearStatusText();
    WinExec("dialbook.exe", SW_SHOW);
}

void TMainFrm::showEvent(QShowEvent* event) {
    FormWindow::showEvent(event);
    if (event->spontaneous() || shown_)
        return;
    shown_ = true;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    if (about_ != nullptr)
        about_->hide();
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    if (Busy)
        event->ignore();
    else
        event->accept();
}

void TMainFrm::Exit1Click() {
    close();
}
