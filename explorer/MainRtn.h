#pragma once

#include "platform/ui/form_window.h"
#include "platform/ui/list_view.h"
#include "platform/win/listview.h"
#include "platform/win/types.h"

#include <QColor>

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;
class QToolButton;
class TAboutFrm;
class TqelBrowseDirectoryDlg;

// The explorer's main window: the Flash memory's files on the left, the memory card's on the
// right, the file and memory figures and the transfer progress below. Its handle is the window
// that the link reports progress to. Units: MainRtn (creation, lists' events, drops, web links),
// MainLayout (components), MainSkin (pictures and colours), MainStrings (texts), MainFeedback
// (busy state, status bar, progress, messages), MainSettings (settings and font), MainLists
// (file lists and the refresh), MainCopy (copying to the player), MainDownload (copying to the
// PC), MainErase (delete and format), MainDialogs (the dialogs beside it).
class TMainFrm : public kivo::ui::FormWindow {
public:
    // Creates the window as FormCreate does. `screenDepth` stands in for the screen's colour
    // depth (bits per pixel) where the screen cannot show the branch wanted. Throws
    // ResourceError when the image library or one of its bitmaps is missing.
    explicit TMainFrm(std::optional<int16_t> screenDepth = std::nullopt);
    ~TMainFrm() override;

    // ---- State that the commands and dialogs share ----
    uint8_t ActiveMemory = 0;  // 0 Flash, 1 card
    int16_t BitsPerPixel = 0;
    bool Busy = false;
    int16_t PortKind = 0;
    bool ECPEmulation = false;
    int64_t TotalBytes = 0;
    int64_t DoneBytes = 0;
    int16_t LastResult = 0;
    // Monotonic milliseconds at the start of the running transfer: a change of the clock of
    // the day cannot make the rate negative or absurd.
    uint64_t StartTicks = 0;
    QColor ActiveColor;
    QColor InactiveColor;
    HMODULE StringLib = nullptr;
    kivo::ui::ListView* CurrentList = nullptr;
    std::string OpenFolder;
    std::string SaveFolder;
    bool SC4ToWAV = true;
    int16_t LangID = -1;
    // The font's character set as the settings store it (the window's font holds the rest).
    int FontCharset = 0;

    // ---- Start-up and frame ----
    static HMODULE LoadStringLibrary();
    void LoadSkin(int16_t depth);
    void SetActiveMemory(uint8_t memory);
    void SetViewStyle(kivo::ui::ViewStyle style);
    void ApplyUIStrings();
    // The about box, created once at start: shown as the splash until this window first shows,
    // and by the Help menu's About.
    void SetAboutBox(TAboutFrm* about) { about_ = about; }
    bool AppMessageHook(UINT message, HWND window, WPARAM wParam);
    void AppExceptionHandler(const std::string& what);
    std::string Text(UINT id) const;

    // ---- Feedback ----
    void SetBusy(bool value);
    void SetStatusText(const std::string& text0, const std::string& text1,
                       const std::string& text2);
    void ClearStatusText() { SetStatusText({}, {}, {}); }
    void ResetProgress();
    void StartProgress(int64_t total);
    void UpdateProgress(int64_t position);
    void ShowErrorCode(int16_t status);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ---- Settings ----
    void LoadSettings();
    void SaveFolders();
    void SetPortKind(int16_t kind);
    void SetECPEmulation(bool value);

    // ---- Lists and refresh ----
    void FillFileLists();
    int16_t RefreshFileLists();
    void ShowMemoryTotals(uint8_t memory);
    void ShowSelectedFile(bool show);
    void ShowFileInfo(const std::string& name, const std::string& size);

    // ---- Copying to the player ----
    // A PC file of 2 GiB or more is refused with a message before anything is sent.
    int32_t CopyFilesToDevice(uint8_t memory, const std::vector<std::string>& files);
    int32_t CopyFileToDevice(uint8_t memory, const std::string& path);

    // ---- Handlers ----
    void Connect1Click();
    void CopyToFlashMemoryClick();
    void CopyToSmartMediaClick();
    void CopyFromPC1Click();
    void PC1Click();
    void Delete1Click();
    void FlashMemory1Click();
    void KivoCard1Click();
    void Format2Click();
    void Stop1Click();
    void Exit1Click();
    void Font1Click();
    void sbLargeIconClick();
    void sbSmallIconClick();
    void sbListIconClick();
    void sbReportIconClick();
    void listFlashMemoryKeyDown(int key);
    void listSmartMediaKeyDown(int key);
    void listFlashMemoryMouseDown(Qt::MouseButton button, QPoint globalPosition);
    void listSmartMediaMouseDown(Qt::MouseButton button, QPoint globalPosition);
    void HomePageClick(QAction* item);
    void TelephoneBook1Click();
    void Option1Click();
    void PlayOrderClick();
    void SC4TrueSpeechTM1Click();
    void About1Click();

    // ---- Components ----
    QMenu* File1 = nullptr;
    QAction* Connect1 = nullptr;
    QMenu* Copyto = nullptr;
    QAction* CopyToFlashMemory = nullptr;
    QAction* CopyToSmartMedia = nullptr;
    QAction* PC1 = nullptr;
    QMenu* Format1 = nullptr;
    QAction* FlashMemory1 = nullptr;
    QAction* KivoCard1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* PlayOrder = nullptr;
    QAction* Refresh1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Environment1 = nullptr;
    QAction* Font1 = nullptr;
    QAction* LargeIcon1 = nullptr;
    QAction* SmallIcon1 = nullptr;
    QAction* ListIcon1 = nullptr;
    QAction* Report1 = nullptr;
    QAction* Option1 = nullptr;
    QMenu* Tools1 = nullptr;
    QAction* TelephoneBook1 = nullptr;
    QAction* SC4TrueSpeechTM1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;
    std::array<QAction*, 7> WebLinks{};  // web-link items 1 to 7 in menu order
    QMenu* PopupEn = nullptr;
    QAction* Stop2 = nullptr;
    QAction* CopyFromPC1 = nullptr;
    QAction* CopyToPC1 = nullptr;
    QAction* Refresh2 = nullptr;
    QAction* Delete2 = nullptr;
    QAction* Format2 = nullptr;

    QToolBar* MainToolBar = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* sbCopyToFlashMemory = nullptr;
    QToolButton* sbCopyToSmartMedia = nullptr;
    QToolButton* sbCopyToPC = nullptr;
    QToolButton* sbTrash = nullptr;
    QToolButton* sbStop = nullptr;
    QToolButton* sbLargeIcon = nullptr;
    QToolButton* sbSmallIcon = nullptr;
    QToolButton* sbListIcon = nullptr;
    QToolButton* sbReportIcon = nullptr;

    QWidget* PanelLeft = nullptr;
    QWidget* PanelRight = nullptr;
    QStackedWidget* notebookLeft = nullptr;
    QStackedWidget* notebookRight = nullptr;
    kivo::ui::ListView* listFlashMemory = nullptr;
    kivo::ui::ListView* listSmartMedia = nullptr;
    // Hidden and never shown: the device link fills it through its window.
    ListViewControl TempListView;
    kivo::ui::ImageList imageFileList;
    TqelBrowseDirectoryDlg* BrowseDirectoryDlg = nullptr;

    QWidget* PanelBottom = nullptr;
    QWidget* panelStatus = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* imageKivo = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label20 = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* Label22 = nullptr;
    QWidget* panelDownloadStatus = nullptr;
    QLabel* Image3 = nullptr;
    std::array<QLabel*, 36> BallImages{};  // zb01 to zb36
    std::array<QLabel*, 3> sbBottom{};     // the status bar's three panels

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void CreateMenus();
    void CreateToolBar();
    void CreatePanels();
    void CreateBottom();
    void BindHandlers();
    void UpdateCommandStates();
    void SetNotebookPage(QStackedWidget* notebook, int page);
    // Places the file information and the status bar for the window's font: every caption and
    // figure whole, the rows apart, the window as tall as they need.
    void FitToFont();
    // Widens the figure panels to their texts, taking the room from the status text's panel.
    void FitStatusPanels();
    // Sets a status-bar panel's text, painted at once when asked; a panel that already shows
    // the text is left alone.
    void ShowPanelText(size_t panel, const std::string& text, bool paintNow);
    // Lights balls 1 to `lit` and hides the others.
    void ShowBalls(int64_t lit, bool paintNow);
    // Holds Busy for a command and clears it at the end, with the status bar when asked, also
    // when an exception passes.
    class BusyScope {
    public:
        BusyScope(TMainFrm& form, bool clearStatus) : form_(form), clearStatus_(clearStatus) {
            form_.SetBusy(true);
        }
        ~BusyScope() {
            form_.SetBusy(false);
            if (clearStatus_)
                form_.ClearStatusText();
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TMainFrm& form_;
        bool clearStatus_;
    };
    void CopyToMemory(uint8_t memory);
    // One selected row to the chosen folder, the files this copy wrote so far in `written`: the
    // link's status, or nothing for a row declined or refused with a message (no file index yet,
    // or a player's name that is no plain file name), so the next row follows.
    std::optional<int16_t> CopyFileToPC(const ListViewControl& list, int row,
                                        std::vector<std::string>& written);
    void FormatMemory(uint8_t memory);
    // The selected rows of the current list, in ascending order, for a command on them; none
    // (after the status bar is cleared, and with a message when nothing is selected) when the
    // command must not run.
    std::vector<int> RowsToWorkOn();
    // Dropped files that exist, copied to a memory under the busy state.
    void DropFiles(uint8_t memory, const std::vector<std::string>& paths);
    // After a command changed the player: the lists again, or the status's message.
    void RefreshOrShow(int32_t status);
    // The file index of the row a copy replaces; a row without one is looked up again after
    // the lists are read. Nothing when the player shows no such file.
    std::optional<int32_t> ReplacedIndex(const ListViewControl& list, int row,
                                         const std::string& name);

    // The notebooks' pages (left Off, left On, right Off, right On) and the list names drawn
    // over their pictures.
    std::array<QLabel*, 4> headerPages_{};
    std::array<QLabel*, 4> headerCaptions_{};
    std::array<QLabel*, 5> infoColons_{};  // the ":" between the captions and the values
    QWidget* statusBar_ = nullptr;
    TAboutFrm* about_ = nullptr;
    // The figures that the progress panels show; none after SetStatusText wrote the panels.
    std::optional<std::pair<int64_t, int64_t>> shownSizes_;  // done, total
    std::optional<int64_t> shownRate_;
    bool shown_ = false;
    QActionGroup* viewStyles_ = nullptr;
    // What Busy turns off: every command but Stop. A command without a handler yet stays off.
    std::vector<QAction*> commands_;
    std::vector<QToolButton*> commandButtons_;
    std::set<const QObject*> bound_;
};

// The image library or a bitmap of it is missing: "Resource NAME not found".
class ResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
