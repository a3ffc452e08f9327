#include "explorer/BrowseDr.h"

#include "platform/shell/places.h"
#include "platform/shell/shlobj.h"
#include "platform/ui/form_window.h"
#include "platform/win/window_ops.h"

#include <QWidget>

#include <array>

using kivo::shell::ItemIdList;

namespace {

constexpr int kNoFolder = 0xFEFE;

struct RootFolders {
    int nt;
    int other;
};

// By TRootID: the special folder on the NT platform and on the others.
constexpr std::array<RootFolders, 25> kRootFolders = {{
    {0x00, 0x00}, {0x01, 0x01}, {0x02, 0x02}, {0x03, 0x03}, {0x04, 0x04},
    {0x05, 0x05}, {0x06, 0x06}, {0x07, 0x07}, {0x08, 0x08}, {0x09, 0x09},
    {0x0A, 0x0A}, {0x0B, 0x0B}, {0x10, 0x10}, {0x11, 0x11}, {0x12, 0x12},
    {0x13, 0x13}, {0x14, 0x14}, {0x15, 0x15}, {0x16, 0x0B}, {0x17, 0x02},
    {0x18, 0x07}, {0x19, 0x10}, {0x1A, 0x1A}, {0x1B, 0x1B}, {kNoFolder, kNoFolder},
}};

// By TBrowseFlag.
constexpr std::array<UINT, 11> kFlagBits = {
    BIF_RETURNONLYFSDIRS,
    BIF_DONTGOBELOWDOMAIN,
    BIF_RETURNFSANCESTORS,
    BIF_BROWSEFORCOMPUTER,
    BIF_BROWSEFORPRINTER,
    BIF_BROWSEINCLUDEFILES,
    BIF_EDITBOX,
    BIF_BROWSEINCLUDEURLS,
    BIF_NEWDIALOGSTYLE,
    BIF_SHAREABLE,
    BIF_EDITBOX | BIF_NEWDIALOGSTYLE,
};

using Measure = std::function<int(const std::string&)>;

// Drops the first folder of a folder part: "/a/b/" -> "/.../b/", "/.../b/c/" -> "/.../c/".
void CutFirstFolder(std::string& folder) {
    if (folder == "/") {
        folder.clear();
        return;
    }
    bool root = !folder.empty() && folder.front() == '/';
    if (root)
        folder.erase(0, 1);
    // The ellipsis of an earlier cut.
    if (!folder.empty() && folder.front() == '.')
        folder.erase(0, 4);
    size_t slash = folder.find('/');
    folder = slash == std::string::npos ? std::string() : ".../" + folder.substr(slash + 1);
    if (root)
        folder.insert(0, "/");
}

std::string ShortenPath(const std::string& path, int width, const Measure& measure) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    std::string result = path;
    while (!folder.empty() && measure(result) > width) {
        if (folder == "/.../")
            folder = ".../";
        else
            CutFirstFolder(folder);
        result = folder + name;
    }
    return result;
}

// Character by character, never leaving half of one.
std::string ShortenText(const std::string& text, int width, const Measure& measure) {
    std::string rest = text;
    std::string result = text;
    while (!rest.empty() && measure(result) > width) {
        size_t end = rest.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(rest[end]) & 0xC0) == 0x80)
            --end;
        rest.erase(end);
        result = rest + "...";
    }
    return result;
}

// Clears the dialog handle however Execute ends.
class DialogHandleReset {
public:
    explicit DialogHandleReset(HWND& handle) : handle_(handle) {}
    ~DialogHandleReset() { handle_ = nullptr; }
    DialogHandleReset(const DialogHandleReset&) = delete;
    DialogHandleReset& operator=(const DialogHandleReset&) = delete;

private:
    HWND& handle_;
};

}  // namespace

int SpecialFolderOf(TRootID root, uint32_t platformId) {
    const RootFolders& folders = kRootFolders.at(root);
    return platformId == VER_PLATFORM_WIN32_NT ? folders.nt : folders.other;
}

UINT TBrowseFlags::DialogFlags() const {
    UINT flags = 0;
    for (size_t flag = 0; flag < kFlagBits.size(); ++flag) {
        if (Contains(static_cast<TBrowseFlag>(flag)))
            flags |= kFlagBits[flag];
    }
    return flags;
}

TqelBrowseDirectoryDlg::TqelBrowseDirectoryDlg(QObject* Owner) : QObject(Owner) {
    if (auto* window = qobject_cast<QWidget*>(Owner))
        ParentControl_ = window;
    else if (Owner)
        ParentControl_ = kivo::ui::FormWindow::MainForm();
}

TqelBrowseDirectoryDlg::~TqelBrowseDirectoryDlg() = default;

QWidget* TqelBrowseDirectoryDlg::OwnerWindow() const {
    if (ParentControl_)
        return ParentControl_;
    if (auto* window = qobject_cast<QWidget*>(parent()))
        return window;
    return kivo::ui::FormWindow::MainForm();
}

bool TqelBrowseDirectoryDlg::Execute() {
    DisplayName_.clear();
    std::array<char, MAX_PATH> displayName{};
    std::string path;

    OSVERSIONINFOA version;
    GetVersionExA(&version);
    std::optional<ItemIdList> root =
        SHGetSpecialFolderLocation(SpecialFolderOf(Root_, version.dwPlatformId));

    UINT flags = Options_.DialogFlags();
    if (Options_.Contains(bfEditBox))
        flags |= BIF_VALIDATE;
    if (!StatusText_.empty() || ShowSelectionInStatus_)
        flags |= BIF_STATUSTEXT;
    BROWSEINFOA info;
    info.owner = OwnerWindow();
    info.pidlRoot = root ? &*root : nullptr;
    info.pszDisplayName = displayName.data();
    info.lpszTitle = Title_.c_str();
    info.ulFlags = flags;
    info.lpfn = &TqelBrowseDirectoryDlg::BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    std::optional<ItemIdList> chosen;
    {
        DialogHandleReset reset(DialogHandle_);
        chosen = SHBrowseForFolderA(&info);
    }
    if (chosen) {
        bool found;
        if (Options_.Contains(bfComputers)) {
            std::string computerPath;
            path = "//" + std::string(displayName.data());
            if (SHGetPathFromIDListA(*chosen, computerPath))
                path = computerPath;
            found = true;
        } else {
            found = SHGetPathFromIDListA(*chosen, path);
        }
        ImageIndex_ = info.iImage;
        if (found && info.iImage == -1) {
            SHFILEINFOA file;
            SHGetFileInfoA(path.c_str(), &file, SHGFI_SYSICONINDEX);
            ImageIndex_ = file.iIcon;
        }
        DisplayName_ = displayName.data();
        Selection_ = path;
        SelectionPIDL_ = std::move(chosen);
        return true;
    }
    Selection_.clear();
    SelectionPIDL_.reset();
    return false;
}

int TqelBrowseDirectoryDlg::BrowseCallback(HWND dialog, UINT code, LPARAM param, LPARAM data) {
    auto* self = reinterpret_cast<TqelBrowseDirectoryDlg*>(data);
    if (!self)
        return 0;
    switch (code) {
        case BFFM_INITIALIZED:
            self->DoInitialized(dialog);
            return 0;
        case BFFM_SELCHANGED:
            self->DoSelChanged(dialog, reinterpret_cast<const ItemIdList*>(param));
            return 0;
        case BFFM_VALIDATEFAILEDA: {
            bool Cancel = false;
            const char* text = reinterpret_cast<const char*>(param);
            self->DoValidateFailed(text ? text : "", Cancel);
            return Cancel ? 0 : 1;
        }
        default:
            return 0;
    }
}

void TqelBrowseDirectoryDlg::DoInitialized(HWND dialog) {
    DialogHandle_ = dialog;
    if (Center_) {
        RECT area;
        GetWindowRect(dialog, &area);
        int width = area.right - area.left;
        int height = area.bottom - area.top;
        SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageA(dialog, BFFM_ENABLEOK, 0, EnableOKButton_ ? TRUE : FALSE);
    if (!StatusText_.empty())
        SendStatusText();
    if (!Selection_.empty() || SelectionPIDL_)
        ApplySelection();
    if (!Caption_.empty())
        SetWindowTextA(dialog, Caption_.c_str());
    if (OnCreate)
        OnCreate(this);
}

void TqelBrowseDirectoryDlg::DoSelChanged(HWND, const ItemIdList* item) {
    if (!ShowSelectionInStatus_ && !OnSelChanged)
        return;
    std::string path;
    if (item)
        SHGetPathFromIDListA(*item, path);
    if (ShowSelectionInStatus_)
        SetStatusText(path);
    if (OnSelChanged)
        OnSelChanged(this, path, item);
}

void TqelBrowseDirectoryDlg::DoValidateFailed(const std::string& text, bool& Cancel) {
    if (OnValidateFailed)
        OnValidateFailed(this, text, Cancel);
}

void TqelBrowseDirectoryDlg::ApplySelection() {
    if (Selection_.empty() && SelectionPIDL_) {
        SHGetPathFromIDListA(*SelectionPIDL_, Selection_);
        SendMessageA(DialogHandle_, BFFM_SETSELECTIONA, FALSE,
                     reinterpret_cast<LPARAM>(&*SelectionPIDL_));
        return;
    }
    std::optional<ItemIdList> parsed = SHParseDisplayName(Selection_);
    if (Selection_.rfind("//", 0) == 0) {
        if (parsed) {
            SelectionPIDL_ = std::move(parsed);
            SendMessageA(DialogHandle_, BFFM_SETSELECTIONA, FALSE,
                         reinterpret_cast<LPARAM>(&*SelectionPIDL_));
        }
        return;
    }
    if (parsed)
        SelectionPIDL_ = std::move(parsed);
    std::string path = Selection_;
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    SendMessageA(DialogHandle_, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

void TqelBrowseDirectoryDlg::SetSelection(const std::string& value) {
    if (value == Selection_)
        return;
    Selection_ = value;
    if (!Selection_.empty() && Selection_.back() != '/' && kivo::shell::DirectoryExists(Selection_))
        Selection_ += '/';
    if (Selection_.empty())
        SelectionPIDL_.reset();
    if (ShowSelectionInStatus_)
        SetStatusText(Selection_);
    if (DialogHandle_)
        ApplySelection();
}

void TqelBrowseDirectoryDlg::SetStatusText(const std::string& value) {
    if (value == StatusText_)
        return;
    StatusText_ = value;
    if (DialogHandle_)
        SendStatusText();
}

void TqelBrowseDirectoryDlg::SetFitStatusText(bool value) {
    if (value == FitStatusText_)
        return;
    FitStatusText_ = value;
    if (DialogHandle_)
        SendStatusText();
}

void TqelBrowseDirectoryDlg::SetEnableOKButton(bool value) {
    EnableOKButton_ = value;
    if (DialogHandle_)
        SendMessageA(DialogHandle_, BFFM_ENABLEOK, 0, value ? TRUE : FALSE);
}

std::string TqelBrowseDirectoryDlg::Caption() const {
    if (!DialogHandle_)
        return Caption_;
    std::array<char, 256> text{};
    GetWindowTextA(DialogHandle_, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void TqelBrowseDirectoryDlg::SetCaption(const std::string& value) {
    Caption_ = value;
    if (DialogHandle_)
        SetWindowTextA(DialogHandle_, Caption_.c_str());
}

void TqelBrowseDirectoryDlg::SetOptions(TBrowseFlags value) {
    if (value == Options_)
        return;
    Options_ = value;
    if (Options_.Contains(bfIncludeURLs))
        Options_.Include(bfIncludeFiles).Include(bfUseNewUI);
    if (Options_.Contains(bfShareable))
        Options_.Include(bfUseNewUI);
    if (Options_.Contains(bfUseNewUI))
        Options_.Include(bfEditBox).Include(bfNewDialogStyle);
}

void TqelBrowseDirectoryDlg::SendStatusText() {
    std::string text = FittedStatusText();
    SendMessageA(DialogHandle_, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TqelBrowseDirectoryDlg::FittedStatusText() const {
    if (!FitStatusText_ || !DialogHandle_)
        return StatusText_;
    HWND status = GetDlgItem(DialogHandle_, kBrowseStatusControlId);
    if (!status || StatusText_.empty())
        return StatusText_;
    RECT area;
    GetWindowRect(status, &area);
    int width = area.right - area.left;
    Measure measure = [status](const std::string& text) {
        return GetWindowTextWidth(status, text.c_str());
    };
    if (kivo::shell::DirectoryExists(StatusText_))
        return ShortenPath(StatusText_, width, measure);
    return ShortenText(StatusText_, width, measure);
}
