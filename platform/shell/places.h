#pragma once

#include "platform/shell/api.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where the shell's folders are on this system.
namespace kivo::shell {

KIVO_SHELL_API std::string HomeFolder();
// A folder of the user's XDG folder list (user-dirs.dirs), such as "DESKTOP" or "DOCUMENTS";
// the home folder's `fallback` when the list does not name it.
KIVO_SHELL_API std::string UserFolder(std::string_view key, std::string_view fallback);
KIVO_SHELL_API std::string DesktopFolder();
// The folders of the file system that are not the root: removable and mounted volumes.
KIVO_SHELL_API std::vector<std::string> MountedVolumes();
// Mount points of volumes in a mount table (the format of /proc/self/mounts).
KIVO_SHELL_API std::vector<std::string> VolumesInMountTable(std::string_view table);
KIVO_SHELL_API std::string HostName();

// Whether a path names an existing folder: "/" does; any other path is looked up after one
// trailing "/" is removed.
KIVO_SHELL_API bool DirectoryExists(const std::string& path);

// "/a/b/" -> "/a/b", "/a/./b" -> "/a/b"; "/" stays.
KIVO_SHELL_API std::string NormalPath(const std::string& path);

// Whether the special folder exists at all here, and whether it has no place in the file
// system; an identifier this shell does not know is neither.
KIVO_SHELL_API bool IsKnownFolder(int csidl);
KIVO_SHELL_API bool IsVirtualFolder(int csidl);
// The file-system place of a special folder that has one (whether it exists or not).
KIVO_SHELL_API std::optional<std::string> SpecialFolderPath(int csidl);

}  // namespace kivo::shell
