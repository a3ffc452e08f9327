#include "explorer/BrowseDr.h"

#include "platform/shell/places.h"
#include "platform/shell/shell_namespace.h"
#include "platform/shell/testing/scripted_browse_dialog.h"
#include "platform/shell/tests/home_fixture.h"
#include "platform/ui/form_window.h"

#include <gtest/gtest.h>

using kivo::shell::ItemIdList;
using kivo::shell::ScriptedBrowseDialog;
using Outcome = ScriptedBrowseDialog::Outcome;

namespace {

std::vector<UINT> Trace(const ScriptedBrowseDialog& dialog) {
    std::vector<UINT> trace;
    for (const auto& m : dialog.messages())
        trace.push_back(m.message);
    return trace;
}

class BrowseDr : public HomeFixture {
protected:
    ScriptedBrowseDialog dialog_;
    TqelBrowseDirectoryDlg picker_;
};

}  // namespace

TEST_F(BrowseDr, StartsWithThePublishedDefaults) {
    EXPECT_EQ(picker_.Version(), "TqelBrowseDirectoryDlg v2.61");
    picker_.SetVersion("v9");
    EXPECT_EQ(picker_.Version(), "TqelBrowseDirectoryDlg v2.61");
    EXPECT_EQ(picker_.Selection(), "");
    EXPECT_EQ(picker_.Title(), "");
    EXPECT_EQ(picker_.Root(), idDesktop);
    EXPECT_EQ(picker_.Options(), TBrowseFlags{});
    EXPECT_TRUE(picker_.Center());
    EXPECT_EQ(picker_.StatusText(), "");
    EXPECT_TRUE(picker_.FitStatusText());
    EXPECT_TRUE(picker_.EnableOKButton());
    EXPECT_EQ(picker_.ImageIndex(), -1);
    EXPECT_EQ(picker_.Caption(), "");
    EXPECT_FALSE(picker_.ShowSelectionInStatus());
    EXPECT_EQ(picker_.DialogHandle(), nullptr);
    EXPECT_FALSE(picker_.SelectionPIDL());
}

TEST_F(BrowseDr, OptionsAreCompletedOnAChange) {
    struct Case {
        TBrowseFlags set;
        TBrowseFlags stored;
    } cases[] = {
        {{bfIncludeURLs}, {bfEditBox, bfIncludeFiles, bfIncludeURLs, bfNewDialogStyle, bfUseNewUI}},
        {{bfShareable}, {bfShareable, bfUseNewUI, bfEditBox, bfNewDialogStyle}},
        {{bfUseNewUI}, {bfUseNewUI, bfEditBox, bfNewDialogStyle}},
        {{bfDirectoriesOnly, bfEditBox}, {bfDirectoriesOnly, bfEditBox}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        picker_.SetOptions(c.set);
        EXPECT_EQ(picker_.Options(), c.stored);
    }
}

TEST_F(BrowseDr, DialogFlagsFollowOptionsEditBoxAndStatusLine) {
    struct Case {
        TBrowseFlags options;
        std::string statusText;
        bool selectionInStatus;
        UINT flags;
    } cases[] = {
        {{}, "", false, 0},
        {{bfDirectoriesOnly}, "", false, 0x0001},
        {{bfEditBox}, "", false, 0x0010 | 0x0020},
        {{bfUseNewUI}, "", false, 0x0050 | 0x0020},
        {{bfComputers, bfDomainOnly, bfAncestors}, "", false, 0x1000 | 0x0002 | 0x0008},
        {{bfPrinters, bfShareable}, "", false, 0x2000 | 0x8000 | 0x0050 | 0x0020},
        {{bfIncludeURLs}, "", false, 0x0080 | 0x4000 | 0x0050 | 0x0020},
        {{}, "Saving", false, 0x0004},
        {{}, "", true, 0x0004},
    };
    for (const Case& c : cases) {
        TqelBrowseDirectoryDlg picker;
        picker.SetOptions(c.options);
        picker.SetStatusText(c.statusText);
        picker.SetShowSelectionInStatus(c.selectionInStatus);
        picker.SetTitle("Where to?");
        picker.Execute();
        EXPECT_EQ(dialog_.flags(), c.flags) << c.flags;
        EXPECT_EQ(dialog_.title(), "Where to?");
    }
}

TEST_F(BrowseDr, SelectionOfAnExistingFolderGetsATrailingSeparator) {
    std::string music = MakeFolder("Music");
    struct Case {
        std::string set;
        std::string stored;
    } cases[] = {
        {music, music + "/"},
        {music + "/", music + "/"},
        {home_ + "/missing", home_ + "/missing"},
        {"/", "/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        picker_.SetSelection(c.set);
        EXPECT_EQ(picker_.Selection(), c.stored);
    }
    picker_.SetShowSelectionInStatus(true);
    picker_.SetSelection(music);
    EXPECT_EQ(picker_.StatusText(), music + "/");
}

TEST_F(BrowseDr, ExecuteShowsThePreselectionAndGivesTheChosenFolder) {
    std::string music = MakeFolder("Music");
    std::string voice = MakeFolder("Voice");
    picker_.SetSelection(music);
    dialog_.Play([&](ScriptedBrowseDialog&) {
        return ScriptedBrowseDialog::Choose(ItemIdList::FileSystem(voice), "Voice", 1);
    });
    ASSERT_TRUE(picker_.Execute());
    EXPECT_EQ(Trace(dialog_), (std::vector<UINT>{WM_KIVO_GETRECT, WM_KIVO_SETPOS, BFFM_ENABLEOK,
                                                 BFFM_SETSELECTIONA}));
    const auto& select = dialog_.messages()[3];
    EXPECT_EQ(select.wParam, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(select.text, music);
    EXPECT_EQ(dialog_.messages()[2].lParam, TRUE);
    EXPECT_EQ(picker_.Selection(), voice);
    EXPECT_EQ(picker_.SelectionPIDL(), ItemIdList::FileSystem(voice));
    EXPECT_EQ(picker_.DisplayName(), "Voice");
    EXPECT_EQ(picker_.ImageIndex(), 1);
    EXPECT_EQ(picker_.DialogHandle(), nullptr);
    EXPECT_EQ(dialog_.root(), ItemIdList::Desktop());
}

TEST_F(BrowseDr, ChosenItemsGiveTheirPathsNamesAndIcons) {
    std::string music = MakeFolder("Music");
    std::string host = kivo::shell::HostName();
    struct Case {
        TBrowseFlags options;
        Outcome outcome;
        std::string selection;
        int image;
    } cases[] = {
        // Without an icon from the dialog the path's icon is looked up.
        {{},
         ScriptedBrowseDialog::Choose(ItemIdList::FileSystem(music), "Music", -1),
         music,
         static_cast<int>(kivo::shell::Icon::Folder)},
        {{bfComputers},
         ScriptedBrowseDialog::Choose(ItemIdList::Computer(host), host, 4),
         "//" + host,
         4},
        {{},
         ScriptedBrowseDialog::Choose(ItemIdList::Virtual(kivo::shell::CSIDL_PRINTERS), "Printers",
                                      8),
         "",
         8},
        {{},
         ScriptedBrowseDialog::Choose(ItemIdList::Virtual(kivo::shell::CSIDL_PRINTERS), "Printers",
                                      -1),
         "",
         -1},
    };
    for (const Case& c : cases) {
        TqelBrowseDirectoryDlg picker;
        picker.SetOptions(c.options);
        dialog_.Play([&](ScriptedBrowseDialog&) { return c.outcome; });
        EXPECT_TRUE(picker.Execute());
        EXPECT_EQ(picker.Selection(), c.selection);
        EXPECT_EQ(picker.SelectionPIDL(), c.outcome.item);
        EXPECT_EQ(picker.DisplayName(), c.outcome.displayName);
        EXPECT_EQ(picker.ImageIndex(), c.image);
    }
}

TEST_F(BrowseDr, CancelAndADialogThatCannotStartGiveFalseAndNoSelection) {
    std::string music = MakeFolder("Music");
    picker_.SetSelection(music);
    EXPECT_FALSE(picker_.Execute());
    EXPECT_EQ(picker_.Selection(), "");
    EXPECT_FALSE(picker_.SelectionPIDL());
    EXPECT_EQ(picker_.DisplayName(), "");

    picker_.SetSelection(music);
    dialog_.FailToStart();
    int created = 0;
    picker_.OnCreate = [&](QObject*) { ++created; };
    EXPECT_FALSE(picker_.Execute());
    EXPECT_EQ(picker_.Selection(), "");
    EXPECT_EQ(created, 0);
}

TEST_F(BrowseDr, NetworkSelectionsAreSentAsItemsOnlyWhenTheyParse) {
    std::string host = kivo::shell::HostName();
    picker_.SetSelection("//" + host);
    picker_.Execute();
    auto sent = dialog_.messages(BFFM_SETSELECTIONA);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(sent[0].item, ItemIdList::Computer(host));

    ScriptedBrowseDialog other;
    picker_.SetSelection("//no-such-" + host);
    picker_.Execute();
    EXPECT_TRUE(other.messages(BFFM_SETSELECTIONA).empty());

    // A missing folder is sent all the same.
    ScriptedBrowseDialog third;
    picker_.SetSelection(home_ + "/missing/");
    picker_.Execute();
    ASSERT_EQ(third.messages(BFFM_SETSELECTIONA).size(), 1u);
    EXPECT_EQ(third.messages(BFFM_SETSELECTIONA)[0].text, home_ + "/missing");
}

TEST_F(BrowseDr, AnItemWithoutAPathIsPreselectedAgainAsAnItem) {
    ItemIdList printers = ItemIdList::Virtual(kivo::shell::CSIDL_PRINTERS);
    dialog_.Play(
        [&](ScriptedBrowseDialog&) { return ScriptedBrowseDialog::Choose(printers, "Printers"); });
    ASSERT_TRUE(picker_.Execute());
    ASSERT_EQ(picker_.Selection(), "");

    ScriptedBrowseDialog again;
    picker_.Execute();
    auto sent = again.messages(BFFM_SETSELECTIONA);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].wParam, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(sent[0].item, printers);
}

TEST_F(BrowseDr, CentresOnTheScreenUnlessTold) {
    picker_.Execute();
    EXPECT_EQ(dialog_.rect().left, (GetSystemMetrics(SM_CXSCREEN) - dialog_.width) / 2);
    EXPECT_EQ(dialog_.rect().top, (GetSystemMetrics(SM_CYSCREEN) - dialog_.height) / 2);

    ScriptedBrowseDialog fixed;
    picker_.SetCenter(false);
    picker_.Execute();
    EXPECT_TRUE(fixed.messages(WM_KIVO_SETPOS).empty());
    EXPECT_EQ(fixed.rect().left, 100);
}

TEST(BrowseDrRoots, EveryRootMapsToItsFolderOnBothPlatforms) {
    const int nt[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,  0x10,
                      0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0xFEFE};
    const int other[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,  0x07, 0x08,
                         0x09, 0x0A, 0x0B, 0x10, 0x11, 0x12, 0x13,  0x14, 0x15,
                         0x0B, 0x02, 0x07, 0x10, 0x1A, 0x1B, 0xFEFE};
    for (int root = idDesktop; root <= idDesktopExpanded; ++root) {
        EXPECT_EQ(SpecialFolderOf(static_cast<TRootID>(root), 2), nt[root]) << root;
        EXPECT_EQ(SpecialFolderOf(static_cast<TRootID>(root), 1), other[root]) << root;
    }
}

TEST_F(BrowseDr, RootGivesTheDialogItsTopItem) {
    std::string documents = MakeFolder("Documents");
    std::string programs = MakeFolder(".local/share/applications");
    struct Case {
        TRootID root;
        std::optional<ItemIdList> item;
    } cases[] = {
        {idDesktop, ItemIdList::Desktop()},
        {idPersonal, ItemIdList::FileSystem(documents)},
        {idPrograms, ItemIdList::FileSystem(programs)},
        {idPrinters, ItemIdList::Virtual(kivo::shell::CSIDL_PRINTERS)},
        {idTemplates, std::nullopt},  // no such folder: the dialog starts from the desktop
        {idDesktopExpanded, std::nullopt},
    };
    for (const Case& c : cases) {
        picker_.SetRoot(c.root);
        picker_.Execute();
        EXPECT_EQ(dialog_.root(), c.item) << c.root;
    }
    // On this platform the all-users programs folder is the system's.
    picker_.SetRoot(idCommonPrograms);
    picker_.Execute();
    EXPECT_EQ(dialog_.root(), kivo::shell::SpecialFolderItem(0x17));
    if (kivo::shell::DirectoryExists("/usr/share/applications")) {
        EXPECT_EQ(dialog_.root(), ItemIdList::FileSystem("/usr/share/applications"));
    }
}

// A folder loses its first folders first, any other text its last characters.
TEST_F(BrowseDr, StatusTextIsShortenedToTheStatusLine) {
    std::string concerts = MakeFolder("Music/Live/Concerts");
    auto px = [](const std::string& text) { return static_cast<int>(text.size()) * 7; };
    struct Case {
        std::string text;
        int width;
        std::string sent;
    } cases[] = {
        {"Choose a folder", 200, "Choose a folder"},
        {"Choose a folder", 70, "Choose ..."},
        {"폴더를 선택하십시오", 35, "폴더..."},
        {"Choose a folder", 14, "..."},
        {concerts, px(concerts), concerts},
        {concerts, px("/.../Live/Concerts"), "/.../Live/Concerts"},
        {concerts, px("/.../Concerts"), "/.../Concerts"},
        {concerts, px(".../Concerts"), ".../Concerts"},
        {concerts, 20, "Concerts"},
        {concerts + "/", px("/.../Concerts/"), "/.../Concerts/"},
    };
    for (const Case& c : cases) {
        ScriptedBrowseDialog dialog;
        dialog.statusWidth = c.width;
        TqelBrowseDirectoryDlg picker;
        picker.SetStatusText(c.text);
        picker.Execute();
        auto sent = dialog.messages(BFFM_SETSTATUSTEXTA);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].text, c.sent) << c.text << " in " << c.width;
        EXPECT_EQ(picker.StatusText(), c.text);
    }
    // Not fitted when asked not to.
    ScriptedBrowseDialog dialog;
    dialog.statusWidth = 14;
    picker_.SetFitStatusText(false);
    picker_.SetStatusText("Choose a folder");
    picker_.Execute();
    EXPECT_EQ(dialog.messages(BFFM_SETSTATUSTEXTA).at(0).text, "Choose a folder");
}

TEST_F(BrowseDr, SelectionChangesReachTheEventAndTheStatusLine) {
    std::string music = MakeFolder("Music");
    ItemIdList printers = ItemIdList::Virtual(kivo::shell::CSIDL_PRINTERS);
    std::vector<std::pair<std::string, std::optional<ItemIdList>>> events;
    picker_.OnSelChanged = [&](QObject* sender, const std::string& path, const ItemIdList* item) {
        EXPECT_EQ(sender, &picker_);
        events.emplace_back(path, item ? std::optional<ItemIdList>(*item) : std::nullopt);
    };
    picker_.SetShowSelectionInStatus(true);
    dialog_.statusWidth = 2000;
    dialog_.Play([&](ScriptedBrowseDialog& d) {
        d.SelectionChanged(ItemIdList::FileSystem(music));
        d.SelectionChanged(printers);
        return ScriptedBrowseDialog::Cancel();
    });
    picker_.Execute();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0],
              std::make_pair(music, std::optional<ItemIdList>(ItemIdList::FileSystem(music))));
    EXPECT_EQ(events[1], std::make_pair(std::string(), std::optional<ItemIdList>(printers)));
    auto status = dialog_.messages(BFFM_SETSTATUSTEXTA);
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0].text, music);
    EXPECT_EQ(status[1].text, "");
    EXPECT_EQ(picker_.StatusText(), "");

    // Neither shown nor listened to: the dialog hears nothing.
    ScriptedBrowseDialog quiet;
    TqelBrowseDirectoryDlg picker;
    quiet.Play([&](ScriptedBrowseDialog& d) {
        d.SelectionChanged(ItemIdList::FileSystem(music));
        return ScriptedBrowseDialog::Cancel();
    });
    picker.Execute();
    EXPECT_TRUE(quiet.messages(BFFM_SETSTATUSTEXTA).empty());
}

TEST_F(BrowseDr, TextThatNamesNothingKeepsTheDialogOpenUnlessTheEventCancels) {
    struct Case {
        bool handler;
        bool cancel;
        int answer;
    } cases[] = {{false, false, 1}, {true, false, 1}, {true, true, 0}};
    for (const Case& c : cases) {
        ScriptedBrowseDialog dialog;
        TqelBrowseDirectoryDlg picker;
        picker.SetOptions({bfEditBox});
        std::vector<std::string> reported;
        if (c.handler) {
            picker.OnValidateFailed = [&](QObject*, const std::string& path, bool& Cancel) {
                EXPECT_FALSE(Cancel);
                reported.push_back(path);
                Cancel = c.cancel;
            };
        }
        int answer = -1;
        dialog.Play([&](ScriptedBrowseDialog& d) {
            answer = d.ValidateFailed("Studio");
            return ScriptedBrowseDialog::Cancel();
        });
        EXPECT_FALSE(picker.Execute());
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(reported,
                  c.handler ? std::vector<std::string>{"Studio"} : std::vector<std::string>{});
    }
}

TEST_F(BrowseDr, SettersActOnTheOpenDialog) {
    std::string music = MakeFolder("Music");
    std::string captionSeen;
    picker_.SetCaption("Download to");
    picker_.OnCreate = [&](QObject* sender) {
        EXPECT_EQ(sender, &picker_);
        EXPECT_EQ(picker_.DialogHandle(), dialog_.handle());
        captionSeen = picker_.Caption();
    };
    dialog_.Play([&](ScriptedBrowseDialog& d) {
        size_t before = d.messages().size();
        picker_.SetEnableOKButton(false);
        picker_.SetStatusText("Pick one");
        picker_.SetFitStatusText(false);
        picker_.SetCaption("Save to");
        picker_.SetSelection(music);
        std::vector<UINT> after;
        for (size_t i = before; i < d.messages().size(); ++i)
            after.push_back(d.messages()[i].message);
        // Without a status line there is nothing to fit the text to.
        EXPECT_EQ(after, (std::vector<UINT>{BFFM_ENABLEOK, WM_KIVO_GETDLGITEM, BFFM_SETSTATUSTEXTA,
                                            BFFM_SETSTATUSTEXTA, WM_SETTEXT, BFFM_SETSELECTIONA}));
        EXPECT_FALSE(d.okEnabled());
        EXPECT_EQ(d.windowText(), "Save to");
        EXPECT_EQ(picker_.Caption(), "Save to");
        EXPECT_EQ(d.messages(BFFM_SETSELECTIONA).back().text, music);
        return ScriptedBrowseDialog::Cancel();
    });
    picker_.Execute();
    EXPECT_EQ(captionSeen, "Download to");
    EXPECT_EQ(Trace(dialog_).at(3), static_cast<UINT>(WM_SETTEXT));
    // Closed again: setters only store.
    size_t count = dialog_.messages().size();
    picker_.SetCaption("Later");
    picker_.SetStatusText("later");
    EXPECT_EQ(dialog_.messages().size(), count);
    EXPECT_EQ(picker_.Caption(), "Later");
}

// The application's main form, as the program's main window is one.
class MainForm : public kivo::ui::FormWindow {
public:
    LRESULT HandleMessage(UINT, WPARAM, LPARAM) override { return 0; }
};

TEST_F(BrowseDr, TheDialogIsOwnedByTheOwnerWindowOrTheMainForm) {
    QWidget form;
    TqelBrowseDirectoryDlg owned(&form);
    EXPECT_EQ(owned.ParentControl(), &form);
    owned.Execute();
    EXPECT_EQ(dialog_.owner(), &form);

    MainForm main;
    QObject notAWindow;
    TqelBrowseDirectoryDlg inData(&notAWindow);
    EXPECT_EQ(inData.ParentControl(), &main);
    TqelBrowseDirectoryDlg alone;
    EXPECT_EQ(alone.ParentControl(), nullptr);
    alone.Execute();
    EXPECT_EQ(dialog_.owner(), &main);
}
