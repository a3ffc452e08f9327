#include "platform/shell/shell_namespace.h"

#include "platform/shell/places.h"
#include "platform/shell/texts.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace kivo::shell {
namespace {

namespace fs = std::filesystem;

bool Within(const std::string& path, const std::string& base) {
    if (base == "/")
        return !path.empty() && path.front() == '/';
    return path == base ||
           (path.size() > base.size() && path.rfind(base, 0) == 0 && path[base.size()] == '/');
}

bool IsVolume(const std::string& path) {
    std::vector<std::string> volumes = MountedVolumes();
    return path == "/" || std::find(volumes.begin(), volumes.end(), path) != volumes.end();
}

// The items below `base` down to `path`, `base` itself not included.
void AppendChain(std::vector<ItemIdList>& chain, const std::string& base, const std::string& path) {
    std::string current = base;
    for (const fs::path& part : fs::path(path.substr(base.size()))) {
        if (part == "/" || part.empty())
            continue;
        current = current == "/" ? "/" + part.string() : current + "/" + part.string();
        chain.push_back(ItemIdList::FileSystem(current));
    }
}

std::vector<ItemIdList> FolderEntries(const std::string& folder, bool withFiles) {
    std::vector<std::pair<std::string, bool>> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code typeError;
        bool isFolder = it->is_directory(typeError);
        if (isFolder || withFiles)
            entries.emplace_back(name, isFolder);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second)
            return a.second;
        return strcasecmp(a.first.c_str(), b.first.c_str()) < 0;
    });
    std::vector<ItemIdList> items;
    std::string prefix = folder == "/" ? "/" : folder + "/";
    for (const auto& entry : entries)
        items.push_back(ItemIdList::FileSystem(prefix + entry.first));
    return items;
}

Text VirtualName(int csidl) {
    switch (csidl) {
        case CSIDL_INTERNET:
            return Text::Internet;
        case CSIDL_CONTROLS:
            return Text::ControlPanel;
        case CSIDL_PRINTERS:
            return Text::Printers;
        case CSIDL_FAVORITES:
            return Text::Favorites;
        case CSIDL_RECENT:
            return Text::Recent;
        case CSIDL_SENDTO:
            return Text::SendTo;
        case CSIDL_BITBUCKET:
            return Text::RecycleBin;
        case CSIDL_NETWORK:
            return Text::Network;
        case CSIDL_NETHOOD:
            return Text::NetworkShortcuts;
        case CSIDL_COMMON_DESKTOPDIRECTORY:
            return Text::SharedDesktop;
        case CSIDL_PRINTHOOD:
            return Text::PrinterShortcuts;
        default:
            return Text::ThisComputer;
    }
}

Icon VirtualIcon(int csidl) {
    switch (csidl) {
        case CSIDL_DRIVES:
            return Icon::Computer;
        case CSIDL_INTERNET:
        case CSIDL_NETWORK:
        case CSIDL_NETHOOD:
            return Icon::Network;
        case CSIDL_BITBUCKET:
            return Icon::RecycleBin;
        case CSIDL_PRINTERS:
        case CSIDL_PRINTHOOD:
            return Icon::Printers;
        case CSIDL_CONTROLS:
            return Icon::ControlPanel;
        case CSIDL_COMMON_DESKTOPDIRECTORY:
            return Icon::Desktop;
        default:
            return Icon::Folder;
    }
}

}  // namespace

std::optional<std::string> PathOf(const ItemIdList& item) {
    switch (item.kind()) {
        case ItemIdList::Kind::FileSystem:
            return item.name();
        case ItemIdList::Kind::Desktop:
            if (std::string desktop = DesktopFolder(); DirectoryExists(desktop))
                return desktop;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::string DisplayNameOf(const ItemIdList& item) {
    switch (item.kind()) {
        case ItemIdList::Kind::Desktop:
            return TextOf(Text::Desktop);
        case ItemIdList::Kind::Virtual:
            return TextOf(VirtualName(item.folder()));
        case ItemIdList::Kind::Computer:
            return item.name();
        case ItemIdList::Kind::FileSystem:
            break;
    }
    if (item.name() == "/")
        return TextOf(Text::FileSystemRoot);
    if (item.name() == HomeFolder())
        return TextOf(Text::Home);
    return fs::path(item.name()).filename().string();
}

std::optional<Icon> IconOfPath(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return std::nullopt;
    if (!S_ISDIR(info.st_mode))
        return Icon::File;
    std::string normal = NormalPath(path);
    if (IsVolume(normal))
        return Icon::Drive;
    return normal == HomeFolder() ? Icon::Home : Icon::Folder;
}

Icon IconOf(const ItemIdList& item) {
    switch (item.kind()) {
        case ItemIdList::Kind::Desktop:
            return Icon::Desktop;
        case ItemIdList::Kind::Virtual:
            return VirtualIcon(item.folder());
        case ItemIdList::Kind::Computer:
            return Icon::Computer;
        case ItemIdList::Kind::FileSystem:
            break;
    }
    return IconOfPath(item.name()).value_or(Icon::Folder);
}

std::vector<ItemIdList> ChildrenOf(const ItemIdList& item, bool withFiles) {
    std::vector<ItemIdList> children;
    switch (item.kind()) {
        case ItemIdList::Kind::Desktop:
            children = {ItemIdList::FileSystem(HomeFolder()), ItemIdList::Virtual(CSIDL_DRIVES),
                        ItemIdList::Virtual(CSIDL_NETWORK), ItemIdList::Virtual(CSIDL_BITBUCKET)};
            if (auto desktop = PathOf(item)) {
                for (ItemIdList& entry : FolderEntries(*desktop, withFiles))
                    children.push_back(std::move(entry));
            }
            break;
        case ItemIdList::Kind::Virtual:
            if (item.folder() == CSIDL_DRIVES) {
                children.push_back(ItemIdList::FileSystem("/"));
                for (std::string& volume : MountedVolumes())
                    children.push_back(ItemIdList::FileSystem(std::move(volume)));
                children.push_back(ItemIdList::Virtual(CSIDL_CONTROLS));
            } else if (item.folder() == CSIDL_CONTROLS) {
                children.push_back(ItemIdList::Virtual(CSIDL_PRINTERS));
            } else if (item.folder() == CSIDL_NETWORK) {
                children.push_back(ItemIdList::Computer(HostName()));
            }
            break;
        case ItemIdList::Kind::FileSystem:
            children = FolderEntries(item.name(), withFiles);
            break;
        case ItemIdList::Kind::Computer:
            break;
    }
    return children;
}

bool HasChildren(const ItemIdList& item, bool withFiles) {
    if (item.kind() != ItemIdList::Kind::FileSystem)
        return !ChildrenOf(item, withFiles).empty();
    std::error_code error;
    for (fs::directory_iterator
             it(item.name(), fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (!name.empty() && name.front() != '.' && (withFiles || it->is_directory(typeError)))
            return true;
    }
    return false;
}

std::vector<ItemIdList> AncestryOf(const ItemIdList& item) {
    const ItemIdList desktop = ItemIdList::Desktop();
    const ItemIdList drives = ItemIdList::Virtual(CSIDL_DRIVES);
    const ItemIdList controls = ItemIdList::Virtual(CSIDL_CONTROLS);
    switch (item.kind()) {
        case ItemIdList::Kind::Desktop:
            return {desktop};
        case ItemIdList::Kind::Computer:
            return {desktop, ItemIdList::Virtual(CSIDL_NETWORK), item};
        case ItemIdList::Kind::Virtual:
            switch (item.folder()) {
                case CSIDL_DRIVES:
                case CSIDL_NETWORK:
                case CSIDL_BITBUCKET:
                    return {desktop, item};
                case CSIDL_CONTROLS:
                    return {desktop, drives, item};
                case CSIDL_PRINTERS:
                    return {desktop, drives, controls, item};
                default:
                    return {item};
            }
        case ItemIdList::Kind::FileSystem:
            break;
    }
    const std::string& path = item.name();
    std::vector<ItemIdList> chain{desktop};
    if (auto desktopFolder = PathOf(desktop); desktopFolder && Within(path, *desktopFolder)) {
        AppendChain(chain, *desktopFolder, path);
        return chain;
    }
    std::string home = HomeFolder();
    if (home != "/" && Within(path, home)) {
        chain.push_back(ItemIdList::FileSystem(home));
        AppendChain(chain, home, path);
        return chain;
    }
    std::string base = "/";
    for (const std::string& volume : MountedVolumes()) {
        if (Within(path, volume) && volume.size() > base.size())
            base = volume;
    }
    chain.push_back(drives);
    chain.push_back(ItemIdList::FileSystem(base));
    AppendChain(chain, base, path);
    return chain;
}

std::vector<ItemIdList> ChainFrom(const ItemIdList& top, const ItemIdList& item) {
    std::vector<ItemIdList> ancestry = AncestryOf(item);
    auto at = std::find(ancestry.begin(), ancestry.end(), top);
    if (at != ancestry.end())
        return {at, ancestry.end()};
    std::vector<ItemIdList> chain;
    if (top.kind() == ItemIdList::Kind::FileSystem && item.kind() == ItemIdList::Kind::FileSystem &&
        Within(item.name(), top.name())) {
        chain.push_back(top);
        AppendChain(chain, top.name(), item.name());
    }
    return chain;
}

std::optional<ItemIdList> ParseDisplayName(const std::string& name) {
    if (name.rfind("//", 0) == 0) {
        std::string host = name.substr(2);
        if (!host.empty() && host.back() == '/')
            host.pop_back();
        std::string self = HostName();
        if (strcasecmp(host.c_str(), self.c_str()) == 0)
            return ItemIdList::Computer(self);
        return std::nullopt;
    }
    struct stat info {};
    if (name.empty() || name.front() != '/' || stat(name.c_str(), &info) != 0)
        return std::nullopt;
    return ItemIdList::FileSystem(NormalPath(name));
}

std::optional<ItemIdList> SpecialFolderItem(int csidl) {
    if (csidl == CSIDL_DESKTOP)
        return ItemIdList::Desktop();
    if (IsVirtualFolder(csidl))
        return ItemIdList::Virtual(csidl);
    if (auto path = SpecialFolderPath(csidl); path && DirectoryExists(*path))
        return ItemIdList::FileSystem(NormalPath(*path));
    return std::nullopt;
}

}  // namespace kivo::shell
