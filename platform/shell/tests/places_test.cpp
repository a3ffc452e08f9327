#include "platform/shell/places.h"

#include "platform/shell/item_id_list.h"
#include "platform/shell/shlobj.h"
#include "platform/shell/tests/home_fixture.h"

#include <gtest/gtest.h>

using namespace kivo::shell;

using Places = HomeFixture;

TEST_F(Places, ExistingFolderTestTakesOneTrailingSeparatorAndTheRoot) {
    std::string music = MakeFolder("Music");
    std::string file = MakeFile("song.mp3");
    struct Case {
        std::string path;
        bool folder;
    } cases[] = {
        {"/", true},   {music, true},       {music + "/", true},
        {file, false}, {file + "/", false}, {home_ + "/missing", false},
        {"", false},   {"Music", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DirectoryExists(c.path), c.folder) << c.path;
}

TEST_F(Places, UserFoldersComeFromTheXdgListOrTheirDefaults) {
    MakeFolder(".config");
    std::ofstream(home_ + "/.config/user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                     << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                                     << "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n";
    EXPECT_EQ(DesktopFolder(), home_ + "/Schreibtisch");
    EXPECT_EQ(UserFolder("DOCUMENTS", "Documents"), "/srv/docs");
    EXPECT_EQ(UserFolder("TEMPLATES", "Templates"), home_ + "/Templates");
}

TEST(Volumes, MountTableGivesTheVolumesOnce) {
    const char* table =
        "/dev/sda1 / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sdb1 /media/kim/USB\\040STICK vfat rw 0 0\n"
        "/dev/sdc1 /run/media/kim/CARD vfat rw 0 0\n"
        "/dev/sdd1 /mnt/data ext4 rw 0 0\n"
        "/dev/sdd1 /mnt/data ext4 rw 0 0\n"
        "tmpfs /mnt tmpfs rw 0 0\n"
        "garbage\n";
    EXPECT_EQ(
        VolumesInMountTable(table),
        (std::vector<std::string>{"/media/kim/USB STICK", "/run/media/kim/CARD", "/mnt/data"}));
}

TEST_F(Places, SpecialFoldersMapToLinuxPlacesOrAreVirtual) {
    std::string documents = MakeFolder("Documents");
    std::string applications = MakeFolder(".local/share/applications");
    std::string autostart = MakeFolder(".config/autostart");
    struct Case {
        int csidl;
        std::optional<ItemIdList> item;
    } cases[] = {
        {CSIDL_DESKTOP, ItemIdList::Desktop()},
        {CSIDL_PERSONAL, ItemIdList::FileSystem(documents)},
        {CSIDL_PROGRAMS, ItemIdList::FileSystem(applications)},
        {CSIDL_STARTMENU, ItemIdList::FileSystem(applications)},
        {CSIDL_STARTUP, ItemIdList::FileSystem(autostart)},
        {CSIDL_APPDATA, ItemIdList::FileSystem(home_ + "/.local/share")},
        {CSIDL_PRINTERS, ItemIdList::Virtual(CSIDL_PRINTERS)},
        {CSIDL_CONTROLS, ItemIdList::Virtual(CSIDL_CONTROLS)},
        {CSIDL_NETWORK, ItemIdList::Virtual(CSIDL_NETWORK)},
        {CSIDL_BITBUCKET, ItemIdList::Virtual(CSIDL_BITBUCKET)},
        {CSIDL_DRIVES, ItemIdList::Virtual(CSIDL_DRIVES)},
        // Places that do not exist give no item, as the dialog then starts from the desktop.
        {CSIDL_DESKTOPDIRECTORY, std::nullopt},
        {CSIDL_TEMPLATES, std::nullopt},
        {0x0C, std::nullopt},
        {0xFEFE, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SHGetSpecialFolderLocation(c.csidl), c.item) << c.csidl;
    EXPECT_EQ(SpecialFolderPath(CSIDL_COMMON_PROGRAMS), "/usr/share/applications");
    EXPECT_EQ(SpecialFolderPath(CSIDL_FONTS), "/usr/share/fonts");
    EXPECT_EQ(SpecialFolderPath(CSIDL_COMMON_STARTUP), "/etc/xdg/autostart");
}

TEST(Version, AnswersTheNtPlatform) {
    OSVERSIONINFOA info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_FALSE(GetVersionExA(nullptr));
}
