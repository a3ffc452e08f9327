#pragma once

#include "platform/shell/api.h"
#include "platform/shell/item_id_list.h"
#include "platform/win/types.h"

#include <functional>
#include <optional>
#include <string>

class QWidget;

// The shell's folder dialog and item functions. Item identifier lists are owned values
// (kivo::shell::ItemIdList); "none" is an empty optional.

inline constexpr int MAX_PATH = 260;

inline constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
inline constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
inline constexpr UINT BIF_STATUSTEXT = 0x0004;
inline constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
inline constexpr UINT BIF_EDITBOX = 0x0010;
inline constexpr UINT BIF_VALIDATE = 0x0020;
inline constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
inline constexpr UINT BIF_BROWSEINCLUDEURLS = 0x0080;
inline constexpr UINT BIF_NONEWFOLDERBUTTON = 0x0200;
inline constexpr UINT BIF_BROWSEFORCOMPUTER = 0x1000;
inline constexpr UINT BIF_BROWSEFORPRINTER = 0x2000;
inline constexpr UINT BIF_BROWSEINCLUDEFILES = 0x4000;
inline constexpr UINT BIF_SHAREABLE = 0x8000;

// Callback codes.
inline constexpr UINT BFFM_INITIALIZED = 1;      // param: 0
inline constexpr UINT BFFM_SELCHANGED = 2;       // param: const ItemIdList* of the selection
inline constexpr UINT BFFM_VALIDATEFAILEDA = 3;  // param: const char* text typed

// Messages to the dialog.
inline constexpr UINT BFFM_SETSTATUSTEXTA = 0x464;  // lParam: const char*
inline constexpr UINT BFFM_ENABLEOK = 0x465;        // lParam: nonzero enables
inline constexpr UINT BFFM_SETSELECTIONA = 0x466;   // wParam TRUE: lParam const char* path;
                                                    // FALSE: lParam const ItemIdList*

// The control identifier of the dialog's status line.
inline constexpr int kBrowseStatusControlId = 14147;

// For BFFM_VALIDATEFAILEDA the answer 0 closes the dialog (with no item), any other keeps it
// open; other codes are answered 0.
using BFFCALLBACK = int (*)(HWND dialog, UINT code, LPARAM param, LPARAM data);

struct BROWSEINFOA {
    QWidget* owner = nullptr;  // the window the dialog is modal over; none: the active one
    const kivo::shell::ItemIdList* pidlRoot = nullptr;  // none: the desktop
    char* pszDisplayName = nullptr;                     // MAX_PATH bytes, or none
    const char* lpszTitle = nullptr;
    UINT ulFlags = 0;
    BFFCALLBACK lpfn = nullptr;
    LPARAM lParam = 0;
    int iImage = -1;  // out: system image-list index of the chosen item
};

// Shows the dialog modally; the chosen item, or none when cancelled or when the dialog cannot
// be shown (no Qt application).
KIVO_SHELL_API std::optional<kivo::shell::ItemIdList> SHBrowseForFolderA(BROWSEINFOA* info);

// Every folder dialog goes through one hook: tests install a scripted dialog.
using BrowseForFolderHook =
    std::function<std::optional<kivo::shell::ItemIdList>(BROWSEINFOA& info)>;
KIVO_SHELL_API void SetBrowseForFolderHook(BrowseForFolderHook hook);
KIVO_SHELL_API BrowseForFolderHook CurrentBrowseForFolderHook();

class ScopedBrowseForFolderHook {
public:
    explicit ScopedBrowseForFolderHook(BrowseForFolderHook hook)
        : previous_(CurrentBrowseForFolderHook()) {
        SetBrowseForFolderHook(std::move(hook));
    }
    ~ScopedBrowseForFolderHook() { SetBrowseForFolderHook(std::move(previous_)); }
    ScopedBrowseForFolderHook(const ScopedBrowseForFolderHook&) = delete;
    ScopedBrowseForFolderHook& operator=(const ScopedBrowseForFolderHook&) = delete;

private:
    BrowseForFolderHook previous_;
};

// The item of a special folder (kivo::shell::CSIDL_*); none when it does not exist here.
KIVO_SHELL_API std::optional<kivo::shell::ItemIdList> SHGetSpecialFolderLocation(int csidl);
// The item's file-system path; FALSE and an empty path when it has none.
KIVO_SHELL_API BOOL SHGetPathFromIDListA(const kivo::shell::ItemIdList& item, std::string& path);
// The item an existing absolute path or "//" and this computer's name names.
KIVO_SHELL_API std::optional<kivo::shell::ItemIdList> SHParseDisplayName(const std::string& name);

inline constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
struct SHFILEINFOA {
    int iIcon = -1;
};
// With SHGFI_SYSICONINDEX: the system image-list index of a path; 0 when it names nothing.
KIVO_SHELL_API uintptr_t SHGetFileInfoA(const char* path, SHFILEINFOA* info, UINT flags);

inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFOA {
    uint32_t dwMajorVersion = 0;
    uint32_t dwMinorVersion = 0;
    uint32_t dwBuildNumber = 0;
    uint32_t dwPlatformId = 0;
};
// This system answers as the NT platform.
KIVO_SHELL_API BOOL GetVersionExA(OSVERSIONINFOA* info);

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
// The primary screen's size; 0 without a screen.
KIVO_SHELL_API int GetSystemMetrics(int index);
