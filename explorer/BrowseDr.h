#pragma once

#include "platform/shell/item_id_list.h"
#include "platform/win/types.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

class QWidget;

// The folder picker: a component without a window of its own over the shell's
// browse-for-folder dialog (platform/shell/shlobj.h). Set Selection to the folder to start in,
// call Execute, and on true read the chosen folder from Selection:
//
//     BrowseDirectoryDlg->SetSelection(SaveFolder);
//     if (BrowseDirectoryDlg->Execute())
//         SaveFolder = BrowseDirectoryDlg->Selection();
//
// Tests script the dialog with kivo::shell::ScriptedBrowseDialog
// (platform/shell/testing/scripted_browse_dialog.h).

// The root of the tree.
enum TRootID : uint8_t {
    idDesktop,
    idInternet,
    idPrograms,
    idControlPanel,
    idPrinters,
    idPersonal,
    idFavorites,
    idStartup,
    idRecent,
    idSendTo,
    idRecycleBin,
    idStartMenu,
    idDesktopDirectory,
    idDrives,
    idNetwork,
    idNetHood,
    idFonts,
    idTemplates,
    idCommonStartMenu,
    idCommonPrograms,
    idCommonStartup,
    idCommonDesktopDirectory,
    idAppData,
    idPrintHood,
    idDesktopExpanded,
};

// The shell's special folder for a root on a platform (the platform identifier of
// GetVersionExA): the NT platform has common folders of its own, the others fall back to the
// user's. idDesktopExpanded gives 0xFEFE, which names no folder.
int SpecialFolderOf(TRootID root, uint32_t platformId);

enum TBrowseFlag : uint8_t {
    bfDirectoriesOnly,
    bfDomainOnly,
    bfAncestors,
    bfComputers,
    bfPrinters,
    bfIncludeFiles,
    bfEditBox,
    bfIncludeURLs,
    bfNewDialogStyle,
    bfShareable,
    bfUseNewUI,
};

// A set of browse flags.
class TBrowseFlags {
public:
    constexpr TBrowseFlags() = default;
    constexpr TBrowseFlags(std::initializer_list<TBrowseFlag> flags) {
        for (TBrowseFlag flag : flags)
            Include(flag);
    }
    constexpr bool Contains(TBrowseFlag flag) const { return members_ & Bit(flag); }
    constexpr TBrowseFlags& Include(TBrowseFlag flag) {
        members_ |= Bit(flag);
        return *this;
    }
    bool operator==(const TBrowseFlags&) const = default;
    // The dialog's flags: each member adds its bit.
    UINT DialogFlags() const;

private:
    static constexpr uint16_t Bit(TBrowseFlag flag) { return static_cast<uint16_t>(1u << flag); }
    uint16_t members_ = 0;
};

using TNotifyEvent = std::function<void(QObject* Sender)>;
// NewSel: the item's file-system path, empty when it has none.
using TBDSelChangedEvent = std::function<void(QObject* Sender, const std::string& NewSel,
                                              const kivo::shell::ItemIdList* NewSelPIDL)>;
// Setting Cancel closes the dialog with nothing chosen; else it stays open.
using TBDValidateFailedEvent =
    std::function<void(QObject* Sender, const std::string& Path, bool& Cancel)>;

class TqelBrowseDirectoryDlg : public QObject {
public:
    // The owner (a Qt parent) owns the component.
    explicit TqelBrowseDirectoryDlg(QObject* Owner = nullptr);
    ~TqelBrowseDirectoryDlg() override;

    std::string Version() const { return "TqelBrowseDirectoryDlg v2.61"; }
    void SetVersion(const std::string&) {}
    // A folder before Execute; an existing folder gets a trailing "/". The chosen folder after.
    const std::string& Selection() const { return Selection_; }
    void SetSelection(const std::string& value);
    // Text above the tree.
    const std::string& Title() const { return Title_; }
    void SetTitle(const std::string& value) { Title_ = value; }
    TRootID Root() const { return Root_; }
    void SetRoot(TRootID value) { Root_ = value; }
    // Completed on a change: bfIncludeURLs brings bfIncludeFiles and bfUseNewUI, bfShareable
    // brings bfUseNewUI, bfUseNewUI brings bfEditBox and bfNewDialogStyle.
    TBrowseFlags Options() const { return Options_; }
    void SetOptions(TBrowseFlags value);
    // Centre the dialog on the screen.
    bool Center() const { return Center_; }
    void SetCenter(bool value) { Center_ = value; }
    const std::string& StatusText() const { return StatusText_; }
    void SetStatusText(const std::string& value);
    // Shorten the status text to the width of the dialog's status line.
    bool FitStatusText() const { return FitStatusText_; }
    void SetFitStatusText(bool value);
    bool EnableOKButton() const { return EnableOKButton_; }
    void SetEnableOKButton(bool value);
    // The system image-list index of the chosen item (platform/shell/shell_namespace.h).
    int ImageIndex() const { return ImageIndex_; }
    // The dialog's title; read from the dialog while it shows.
    std::string Caption() const;
    void SetCaption(const std::string& value);
    bool ShowSelectionInStatus() const { return ShowSelectionInStatus_; }
    void SetShowSelectionInStatus(bool value) { ShowSelectionInStatus_ = value; }

    TBDSelChangedEvent OnSelChanged;
    TNotifyEvent OnCreate;
    TBDValidateFailedEvent OnValidateFailed;

    // Shows the dialog modally: true when an item was chosen, false when the user cancelled or
    // the dialog could not be shown.
    bool Execute();

    // The chosen item's display name after Execute.
    const std::string& DisplayName() const { return DisplayName_; }
    const std::optional<kivo::shell::ItemIdList>& SelectionPIDL() const { return SelectionPIDL_; }
    // The open dialog while Execute runs it, else 0.
    HWND DialogHandle() const { return DialogHandle_; }
    // The window the dialog is modal over.
    QWidget* ParentControl() const { return ParentControl_; }
    void SetParentControl(QWidget* value) { ParentControl_ = value; }

private:
    static int BrowseCallback(HWND dialog, UINT code, LPARAM param, LPARAM data);
    void DoInitialized(HWND dialog);
    void DoSelChanged(HWND dialog, const kivo::shell::ItemIdList* item);
    void DoValidateFailed(const std::string& text, bool& Cancel);
    void ApplySelection();
    void SendStatusText();
    std::string FittedStatusText() const;
    QWidget* OwnerWindow() const;

    std::string Selection_;
    std::string Title_;
    TRootID Root_ = idDesktop;
    TBrowseFlags Options_;
    bool Center_ = true;
    std::string StatusText_;
    bool FitStatusText_ = true;
    bool EnableOKButton_ = true;
    int ImageIndex_ = -1;
    std::string Caption_;
    bool ShowSelectionInStatus_ = false;
    std::string DisplayName_;
    std::optional<kivo::shell::ItemIdList> SelectionPIDL_;
    HWND DialogHandle_ = nullptr;
    QPointer<QWidget> ParentControl_;
};
