#include "platform/shell/shell_namespace.h"

#include "platform/shell/places.h"
#include "platform/shell/shlobj.h"
#include "platform/shell/tests/home_fixture.h"

#include <gtest/gtest.h>

using namespace kivo::shell;

namespace {

std::vector<std::string> Names(const std::vector<ItemIdList>& items) {
    std::vector<std::string> names;
    for (const ItemIdList& item : items)
        names.push_back(DisplayNameOf(item));
    return names;
}

}  // namespace

using ShellNamespace = HomeFixture;

TEST_F(ShellNamespace, DesktopHoldsTheSpecialItemsThenTheDesktopFolders) {
    EXPECT_EQ(Names(ChildrenOf(ItemIdList::Desktop(), false)),
              (std::vector<std::string>{"Home", "This Computer", "Network", "Recycle Bin"}));
    EXPECT_FALSE(PathOf(ItemIdList::Desktop()));

    std::string desktop = MakeFolder("Desktop");
    MakeFolder("Desktop/Projects");
    MakeFile("Desktop/notes.txt");
    EXPECT_EQ(PathOf(ItemIdList::Desktop()), desktop);
    EXPECT_EQ(
        Names(ChildrenOf(ItemIdList::Desktop(), false)),
        (std::vector<std::string>{"Home", "This Computer", "Network", "Recycle Bin", "Projects"}));
    EXPECT_EQ(ChildrenOf(ItemIdList::Desktop(), true).back(),
              ItemIdList::FileSystem(desktop + "/notes.txt"));
}

TEST_F(ShellNamespace, FoldersListFoldersFirstInNameOrderWithoutHiddenOnes) {
    MakeFolder("b-folder");
    MakeFolder("A-folder");
    MakeFolder(".hidden");
    MakeFile("c.mp3");
    MakeFile("B.wav");
    ItemIdList home = ItemIdList::FileSystem(home_);
    EXPECT_EQ(Names(ChildrenOf(home, false)), (std::vector<std::string>{"A-folder", "b-folder"}));
    EXPECT_EQ(Names(ChildrenOf(home, true)),
              (std::vector<std::string>{"A-folder", "b-folder", "B.wav", "c.mp3"}));
    EXPECT_TRUE(HasChildren(home, false));
    EXPECT_FALSE(HasChildren(ItemIdList::FileSystem(home_ + "/A-folder"), true));
}

TEST_F(ShellNamespace, ThisComputerHoldsTheRootAndTheControlPanelTheNetworkThisHost) {
    std::vector<ItemIdList> drives = ChildrenOf(ItemIdList::Virtual(CSIDL_DRIVES), false);
    ASSERT_GE(drives.size(), 2u);
    EXPECT_EQ(drives.front(), ItemIdList::FileSystem("/"));
    EXPECT_EQ(drives.back(), ItemIdList::Virtual(CSIDL_CONTROLS));
    EXPECT_EQ(ChildrenOf(ItemIdList::Virtual(CSIDL_CONTROLS), false),
              (std::vector<ItemIdList>{ItemIdList::Virtual(CSIDL_PRINTERS)}));
    EXPECT_EQ(ChildrenOf(ItemIdList::Virtual(CSIDL_NETWORK), false),
              (std::vector<ItemIdList>{ItemIdList::Computer(HostName())}));
    EXPECT_TRUE(ChildrenOf(ItemIdList::Virtual(CSIDL_PRINTERS), false).empty());
}

TEST_F(ShellNamespace, AncestryLeadsFromTheDesktopToTheItem) {
    std::string desktop = MakeFolder("Desktop/Work");
    std::string music = MakeFolder("Music/Live");
    ItemIdList top = ItemIdList::Desktop();
    ItemIdList drives = ItemIdList::Virtual(CSIDL_DRIVES);
    struct Case {
        ItemIdList item;
        std::vector<ItemIdList> chain;
    } cases[] = {
        {ItemIdList::FileSystem(music),
         {top, ItemIdList::FileSystem(home_), ItemIdList::FileSystem(home_ + "/Music"),
          ItemIdList::FileSystem(music)}},
        {ItemIdList::FileSystem(desktop), {top, ItemIdList::FileSystem(desktop)}},
        {ItemIdList::FileSystem("/usr/share"),
         {top, drives, ItemIdList::FileSystem("/"), ItemIdList::FileSystem("/usr"),
          ItemIdList::FileSystem("/usr/share")}},
        {ItemIdList::Virtual(CSIDL_PRINTERS),
         {top, drives, ItemIdList::Virtual(CSIDL_CONTROLS), ItemIdList::Virtual(CSIDL_PRINTERS)}},
        {ItemIdList::Computer("pc"),
         {top, ItemIdList::Virtual(CSIDL_NETWORK), ItemIdList::Computer("pc")}},
        {ItemIdList::Virtual(CSIDL_FAVORITES), {ItemIdList::Virtual(CSIDL_FAVORITES)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AncestryOf(c.item), c.chain) << c.item.name();

    // A folder root that the desktop's tree does not pass through still reaches its folders.
    ItemIdList work = ItemIdList::FileSystem(desktop);
    ItemIdList below = ItemIdList::FileSystem(desktop + "/x");
    EXPECT_EQ(ChainFrom(ItemIdList::FileSystem(home_ + "/Desktop"), below),
              (std::vector<ItemIdList>{ItemIdList::FileSystem(home_ + "/Desktop"), work, below}));
    EXPECT_TRUE(ChainFrom(ItemIdList::FileSystem(music), work).empty());
}

TEST_F(ShellNamespace, ParsingTakesExistingAbsolutePathsAndThisComputer) {
    std::string music = MakeFolder("Music");
    std::string host = HostName();
    std::string shouted = host;
    for (char& c : shouted)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    struct Case {
        std::string text;
        std::optional<ItemIdList> item;
    } cases[] = {
        {music, ItemIdList::FileSystem(music)},
        {music + "/", ItemIdList::FileSystem(music)},
        {home_ + "/./Music/../Music", ItemIdList::FileSystem(music)},
        {home_ + "/missing", std::nullopt},
        {"Music", std::nullopt},
        {"", std::nullopt},
        {"//" + shouted, ItemIdList::Computer(host)},
        {"//" + host + "/", ItemIdList::Computer(host)},
        {"//another-" + host, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SHParseDisplayName(c.text), c.item) << c.text;
}

TEST_F(ShellNamespace, OnlyFileSystemItemsHaveAPath) {
    std::string path = "stale";
    EXPECT_FALSE(SHGetPathFromIDListA(ItemIdList::Virtual(CSIDL_PRINTERS), path));
    EXPECT_EQ(path, "");
    EXPECT_FALSE(SHGetPathFromIDListA(ItemIdList::Computer(HostName()), path));
    EXPECT_TRUE(SHGetPathFromIDListA(ItemIdList::FileSystem(home_), path));
    EXPECT_EQ(path, home_);
}

TEST_F(ShellNamespace, NamesAndIconsInTheSystemLanguage) {
    std::string file = MakeFile("a.mp3");
    EXPECT_EQ(DisplayNameOf(ItemIdList::FileSystem("/")), "File System");
    EXPECT_EQ(DisplayNameOf(ItemIdList::FileSystem(file)), "a.mp3");
    EXPECT_EQ(DisplayNameOf(ItemIdList::Computer("kivo-pc")), "kivo-pc");
    {
        ScopedEnv korean("KIVO_LANGID", "0412");
        EXPECT_EQ(DisplayNameOf(ItemIdList::FileSystem(home_)), "홈 폴더");
        EXPECT_EQ(DisplayNameOf(ItemIdList::Virtual(CSIDL_BITBUCKET)), "휴지통");
    }
    struct Case {
        std::string path;
        int icon;
    } cases[] = {
        {"/", static_cast<int>(Icon::Drive)},
        {home_, static_cast<int>(Icon::Home)},
        {MakeFolder("Music"), static_cast<int>(Icon::Folder)},
        {file, static_cast<int>(Icon::File)},
    };
    for (const Case& c : cases) {
        SHFILEINFOA info;
        ASSERT_TRUE(SHGetFileInfoA(c.path.c_str(), &info, SHGFI_SYSICONINDEX)) << c.path;
        EXPECT_EQ(info.iIcon, c.icon) << c.path;
    }
    SHFILEINFOA missing;
    EXPECT_FALSE(SHGetFileInfoA((home_ + "/missing").c_str(), &missing, SHGFI_SYSICONINDEX));
    EXPECT_EQ(missing.iIcon, -1);
}
