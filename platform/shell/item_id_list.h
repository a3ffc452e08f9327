#pragma once

#include <string>
#include <utility>

namespace kivo::shell {

// The special folders by the platform's identifiers, as far as this shell knows them.
inline constexpr int CSIDL_DESKTOP = 0x00;
inline constexpr int CSIDL_INTERNET = 0x01;
inline constexpr int CSIDL_PROGRAMS = 0x02;
inline constexpr int CSIDL_CONTROLS = 0x03;
inline constexpr int CSIDL_PRINTERS = 0x04;
inline constexpr int CSIDL_PERSONAL = 0x05;
inline constexpr int CSIDL_FAVORITES = 0x06;
inline constexpr int CSIDL_STARTUP = 0x07;
inline constexpr int CSIDL_RECENT = 0x08;
inline constexpr int CSIDL_SENDTO = 0x09;
inline constexpr int CSIDL_BITBUCKET = 0x0A;
inline constexpr int CSIDL_STARTMENU = 0x0B;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr int CSIDL_DRIVES = 0x11;
inline constexpr int CSIDL_NETWORK = 0x12;
inline constexpr int CSIDL_NETHOOD = 0x13;
inline constexpr int CSIDL_FONTS = 0x14;
inline constexpr int CSIDL_TEMPLATES = 0x15;
inline constexpr int CSIDL_COMMON_STARTMENU = 0x16;
inline constexpr int CSIDL_COMMON_PROGRAMS = 0x17;
inline constexpr int CSIDL_COMMON_STARTUP = 0x18;
inline constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x19;
inline constexpr int CSIDL_APPDATA = 0x1A;
inline constexpr int CSIDL_PRINTHOOD = 0x1B;

// One item of the shell's namespace, owned like any value: the desktop at the root, a file or
// folder of the file system by its absolute path, a special folder that has no place in the
// file system (by its identifier), or a computer on the network (by its host name).
class ItemIdList {
public:
    enum class Kind { Desktop, FileSystem, Virtual, Computer };

    static ItemIdList Desktop() { return ItemIdList(Kind::Desktop, {}, CSIDL_DESKTOP); }
    // The path is kept as given; the namespace hands out paths without a trailing "/".
    static ItemIdList FileSystem(std::string path) {
        return ItemIdList(Kind::FileSystem, std::move(path), -1);
    }
    static ItemIdList Virtual(int csidl) { return ItemIdList(Kind::Virtual, {}, csidl); }
    static ItemIdList Computer(std::string hostName) {
        return ItemIdList(Kind::Computer, std::move(hostName), -1);
    }

    Kind kind() const { return kind_; }
    // The path of a file-system item, the host name of a computer, else empty.
    const std::string& name() const { return name_; }
    // The special-folder identifier of the desktop and of a virtual item, else -1.
    int folder() const { return folder_; }

    bool operator==(const ItemIdList&) const = default;

private:
    ItemIdList(Kind kind, std::string name, int folder)
        : kind_(kind), name_(std::move(name)), folder_(folder) {}

    Kind kind_;
    std::string name_;
    int folder_;
};

}  // namespace kivo::shell
