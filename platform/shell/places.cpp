#include "platform/shell/places.h"

#include "platform/shell/item_id_list.h"
#include "platform/win/home.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kivo::shell {
namespace {

std::string DataHome() {
    return NormalPath(kivo::win::XdgFolder("XDG_DATA_HOME", ".local/share").string());
}

std::string ConfigHome() {
    return NormalPath(kivo::win::XdgFolder("XDG_CONFIG_HOME", ".config").string());
}

// A line of user-dirs.dirs: XDG_<KEY>_DIR="$HOME/Name" or an absolute path.
std::optional<std::string> UserDirsValue(const std::string& line, std::string_view key) {
    std::string prefix = "XDG_" + std::string(key) + "_DIR=";
    if (line.rfind(prefix, 0) != 0)
        return std::nullopt;
    std::string value = line.substr(prefix.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0)
        return HomeFolder() + value.substr(5);
    if (!value.empty() && value.front() == '/')
        return value;
    return std::nullopt;
}

// Mount tables write blanks and a few other bytes as three octal digits behind a backslash.
std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 +
                                         (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

std::string HomeFolder() {
    return NormalPath(kivo::win::HomeFolder().string());
}

std::string UserFolder(std::string_view key, std::string_view fallback) {
    std::ifstream list(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(list, line)) {
        if (auto value = UserDirsValue(line, key))
            return NormalPath(*value);
    }
    return NormalPath(HomeFolder() + "/" + std::string(fallback));
}

std::string DesktopFolder() {
    return UserFolder("DESKTOP", "Desktop");
}

std::vector<std::string> VolumesInMountTable(std::string_view table) {
    static constexpr std::array<std::string_view, 3> kVolumeRoots = {"/media/", "/run/media/",
                                                                     "/mnt/"};
    std::vector<std::string> volumes;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        if (!(fields >> device >> mountPoint))
            continue;
        std::string point = UnescapeMountField(mountPoint);
        bool isVolume =
            std::any_of(kVolumeRoots.begin(), kVolumeRoots.end(), [&](std::string_view root) {
                return point.size() > root.size() && point.rfind(root, 0) == 0;
            });
        if (isVolume && std::find(volumes.begin(), volumes.end(), point) == volumes.end())
            volumes.push_back(point);
    }
    return volumes;
}

std::vector<std::string> MountedVolumes() {
    std::ifstream file("/proc/self/mounts");
    std::stringstream table;
    table << file.rdbuf();
    std::vector<std::string> volumes = VolumesInMountTable(table.str());
    std::erase_if(volumes, [](const std::string& point) { return !DirectoryExists(point); });
    return volumes;
}

std::string HostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name.data();
}

bool DirectoryExists(const std::string& path) {
    if (path.empty())
        return false;
    std::string entry = path;
    if (entry.size() > 1 && entry.back() == '/')
        entry.pop_back();
    struct stat info {};
    return stat(entry.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string NormalPath(const std::string& path) {
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

bool IsVirtualFolder(int csidl) {
    switch (csidl) {
        case CSIDL_INTERNET:
        case CSIDL_CONTROLS:
        case CSIDL_PRINTERS:
        case CSIDL_FAVORITES:
        case CSIDL_RECENT:
        case CSIDL_SENDTO:
        case CSIDL_BITBUCKET:
        case CSIDL_DRIVES:
        case CSIDL_NETWORK:
        case CSIDL_NETHOOD:
        case CSIDL_COMMON_DESKTOPDIRECTORY:
        case CSIDL_PRINTHOOD:
            return true;
        default:
            return false;
    }
}

bool IsKnownFolder(int csidl) {
    return csidl == CSIDL_DESKTOP || IsVirtualFolder(csidl) || SpecialFolderPath(csidl);
}

std::optional<std::string> SpecialFolderPath(int csidl) {
    switch (csidl) {
        case CSIDL_PROGRAMS:
        case CSIDL_STARTMENU:
            return DataHome() + "/applications";
        case CSIDL_PERSONAL:
            return UserFolder("DOCUMENTS", "Documents");
        case CSIDL_STARTUP:
            return ConfigHome() + "/autostart";
        case CSIDL_DESKTOPDIRECTORY:
            return DesktopFolder();
        case CSIDL_FONTS:
            return std::string("/usr/share/fonts");
        case CSIDL_TEMPLATES:
            return UserFolder("TEMPLATES", "Templates");
        case CSIDL_COMMON_STARTMENU:
        case CSIDL_COMMON_PROGRAMS:
            return std::string("/usr/share/applications");
        case CSIDL_COMMON_STARTUP:
            return std::string("/etc/xdg/autostart");
        case CSIDL_APPDATA:
            return DataHome();
        default:
            return std::nullopt;
    }
}

}  // namespace kivo::shell
