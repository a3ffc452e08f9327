#include "platform/shell/shlobj.h"

#include "platform/shell/browse_dialog.h"
#include "platform/shell/shell_namespace.h"

#include <QApplication>
#include <QScreen>

using kivo::shell::ItemIdList;

namespace {
BrowseForFolderHook& hook() {
    static BrowseForFolderHook h;
    return h;
}
}  // namespace

void SetBrowseForFolderHook(BrowseForFolderHook h) {
    hook() = std::move(h);
}

BrowseForFolderHook CurrentBrowseForFolderHook() {
    return hook();
}

std::optional<ItemIdList> SHBrowseForFolderA(BROWSEINFOA* info) {
    if (!info)
        return std::nullopt;
    // A copy: the hook may replace itself while its dialog is up.
    if (BrowseForFolderHook h = hook())
        return h(*info);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    kivo::shell::BrowseDialog dialog(*info);
    return dialog.Run();
}

std::optional<ItemIdList> SHGetSpecialFolderLocation(int csidl) {
    return kivo::shell::SpecialFolderItem(csidl);
}

BOOL SHGetPathFromIDListA(const ItemIdList& item, std::string& path) {
    auto found = kivo::shell::PathOf(item);
    path = found.value_or(std::string());
    return found ? TRUE : FALSE;
}

std::optional<ItemIdList> SHParseDisplayName(const std::string& name) {
    return kivo::shell::ParseDisplayName(name);
}

uintptr_t SHGetFileInfoA(const char* path, SHFILEINFOA* info, UINT flags) {
    if (!path || !info || !(flags & SHGFI_SYSICONINDEX))
        return 0;
    auto icon = kivo::shell::IconOfPath(path);
    if (!icon)
        return 0;
    info->iIcon = static_cast<int>(*icon);
    return 1;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (!info)
        return FALSE;
    *info = OSVERSIONINFOA{5, 1, 2600, VER_PLATFORM_WIN32_NT};
    return TRUE;
}

int GetSystemMetrics(int index) {
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    if (!screen)
        return 0;
    switch (index) {
        case SM_CXSCREEN:
            return screen->geometry().width();
        case SM_CYSCREEN:
            return screen->geometry().height();
        default:
            return 0;
    }
}
