#pragma once

#include "platform/shell/api.h"
#include "platform/shell/item_id_list.h"

#include <optional>
#include <string>
#include <vector>

// The namespace as the folder dialog shows it. Below the desktop: the home folder, this
// computer (the file system's root, mounted volumes and the control panel with the printers),
// the network with this computer as its one computer, the recycle bin, and the folders of the
// desktop folder.
namespace kivo::shell {

// Indexes of the system image list.
enum class Icon : int {
    File = 0,
    Folder = 1,
    OpenFolder = 2,
    Drive = 3,
    Computer = 4,
    Desktop = 5,
    Network = 6,
    RecycleBin = 7,
    Printers = 8,
    ControlPanel = 9,
    Home = 10,
};

// The file-system path of an item: a file or folder, and the desktop when the desktop folder
// exists; nothing for the others.
KIVO_SHELL_API std::optional<std::string> PathOf(const ItemIdList& item);
KIVO_SHELL_API std::string DisplayNameOf(const ItemIdList& item);
KIVO_SHELL_API Icon IconOf(const ItemIdList& item);
// The icon of a path in the file system; nothing when it names nothing.
KIVO_SHELL_API std::optional<Icon> IconOfPath(const std::string& path);

// Folders, then files when asked, each in name order; hidden entries are left out.
KIVO_SHELL_API std::vector<ItemIdList> ChildrenOf(const ItemIdList& item, bool withFiles);
KIVO_SHELL_API bool HasChildren(const ItemIdList& item, bool withFiles);
// The items from the desktop down to the item itself; only the item when the desktop does not
// reach it.
KIVO_SHELL_API std::vector<ItemIdList> AncestryOf(const ItemIdList& item);
// The items from `top` down to the item; empty when the item is not below `top`.
KIVO_SHELL_API std::vector<ItemIdList> ChainFrom(const ItemIdList& top, const ItemIdList& item);

// An existing absolute path, or "//" and this computer's host name.
KIVO_SHELL_API std::optional<ItemIdList> ParseDisplayName(const std::string& name);

// The item of a special folder: nothing when the identifier is unknown or the folder does not
// exist here.
KIVO_SHELL_API std::optional<ItemIdList> SpecialFolderItem(int csidl);

}  // namespace kivo::shell
