#include "platform/shell/browse_dialog.h"

#include "platform/shell/places.h"
#include "platform/shell/shell_namespace.h"
#include "platform/shell/tests/home_fixture.h"
#include "platform/win/testing/scripted_msgbox.h"
#include "platform/win/window_ops.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace kivo::shell;

namespace {

// What the dialog told its caller, and how the caller answers.
struct Caller {
    struct Call {
        UINT code;
        std::optional<ItemIdList> item;
        std::string text;
    };
    std::vector<Call> calls;
    int validateAnswer = 1;
    std::function<void(HWND dialog, UINT code)> react;

    static int Callback(HWND dialog, UINT code, LPARAM param, LPARAM data) {
        auto* caller = reinterpret_cast<Caller*>(data);
        Call call{code, std::nullopt, {}};
        if (code == BFFM_SELCHANGED && param)
            call.item = *reinterpret_cast<const ItemIdList*>(param);
        if (code == BFFM_VALIDATEFAILEDA)
            call.text = reinterpret_cast<const char*>(param);
        caller->calls.push_back(call);
        if (caller->react)
            caller->react(dialog, code);
        return code == BFFM_VALIDATEFAILEDA ? caller->validateAnswer : 0;
    }
    std::vector<UINT> Codes() const {
        std::vector<UINT> codes;
        for (const Call& call : calls)
            codes.push_back(call.code);
        return codes;
    }
};

QStringList TopNames(QTreeWidget* tree) {
    QStringList names;
    QTreeWidgetItem* top = tree->topLevelItem(0);
    for (int i = 0; i < top->childCount(); ++i)
        names << top->child(i)->text(0);
    return names;
}

class BrowseDialogTest : public HomeFixture {
protected:
    BROWSEINFOA Info(UINT flags, const ItemIdList* root = nullptr) {
        BROWSEINFOA info;
        info.pidlRoot = root;
        info.pszDisplayName = displayName_;
        info.lpszTitle = "Choose the folder for the files:";
        info.ulFlags = flags;
        info.lpfn = &Caller::Callback;
        info.lParam = reinterpret_cast<LPARAM>(&caller_);
        return info;
    }
    Caller caller_;
    char displayName_[MAX_PATH] = "";
};

}  // namespace

TEST_F(BrowseDialogTest, TreeStartsAtTheRootAndOpensFoldersOnDemand) {
    std::string music = MakeFolder("Music");
    MakeFolder("Music/Live");
    MakeFile("Music/song.mp3");
    BROWSEINFOA info = Info(BIF_RETURNONLYFSDIRS);
    BrowseDialog dialog(info);
    QTreeWidgetItem* top = dialog.tree()->topLevelItem(0);
    EXPECT_EQ(top->text(0), "Desktop");
    EXPECT_EQ(TopNames(dialog.tree()),
              (QStringList{"Home", "This Computer", "Network", "Recycle Bin"}));
    EXPECT_EQ(dialog.statusLine(), nullptr);
    EXPECT_EQ(dialog.editBox(), nullptr);
    EXPECT_EQ(dialog.newFolderButton(), nullptr);

    ASSERT_TRUE(dialog.Select(ItemIdList::FileSystem(music)));
    QTreeWidgetItem* musicNode = dialog.tree()->currentItem();
    EXPECT_EQ(musicNode->text(0), "Music");
    EXPECT_TRUE(musicNode->parent()->isExpanded());
    ASSERT_EQ(musicNode->childCount(), 0);  // not read until opened
    musicNode->setExpanded(true);
    ASSERT_EQ(musicNode->childCount(), 1);  // folders only
    EXPECT_EQ(musicNode->child(0)->text(0), "Live");

    BROWSEINFOA withFiles = Info(BIF_BROWSEINCLUDEFILES);
    BrowseDialog files(withFiles);
    ASSERT_TRUE(files.Select(ItemIdList::FileSystem(music + "/song.mp3")));
    EXPECT_EQ(files.tree()->currentItem()->text(0), "song.mp3");
}

TEST_F(BrowseDialogTest, NetworkHoldsThisComputerUnlessKeptAboveTheDomain) {
    struct Case {
        UINT flags;
        bool computers;
    } cases[] = {{0, true}, {BIF_DONTGOBELOWDOMAIN, false}};
    for (const Case& c : cases) {
        BROWSEINFOA info = Info(c.flags);
        BrowseDialog dialog(info);
        ItemIdList network = ItemIdList::Virtual(CSIDL_NETWORK);
        ASSERT_TRUE(dialog.Select(network));
        QTreeWidgetItem* node = dialog.tree()->currentItem();
        node->setExpanded(true);
        EXPECT_EQ(node->childCount(), c.computers ? 1 : 0);
        EXPECT_EQ(dialog.Select(ItemIdList::Computer(HostName())), c.computers);
    }
}

TEST_F(BrowseDialogTest, CallerHearsOfTheStartAndEverySelectionAndSteersIt) {
    std::string music = MakeFolder("Music");
    std::string voice = MakeFolder("Voice");
    BROWSEINFOA info = Info(BIF_STATUSTEXT);
    BrowseDialog dialog(info);
    caller_.react = [&](HWND window, UINT code) {
        if (code != BFFM_INITIALIZED)
            return;
        SendMessageA(window, BFFM_ENABLEOK, 0, FALSE);
        SendMessageA(window, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>("Saving to"));
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(music.c_str()));
    };
    dialog.Start();
    EXPECT_EQ(caller_.Codes(), (std::vector<UINT>{BFFM_INITIALIZED, BFFM_SELCHANGED}));
    EXPECT_EQ(caller_.calls[1].item, ItemIdList::FileSystem(music));
    EXPECT_EQ(dialog.statusLine()->text(), "Saving to");
    // A new selection re-enables OK for an item the flags accept.
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    caller_.react = nullptr;
    ItemIdList voiceItem = ItemIdList::FileSystem(voice);
    SendMessageA(dialog.handle(), BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(&voiceItem));
    EXPECT_EQ(caller_.calls.back().item, voiceItem);
    SendMessageA(dialog.handle(), BFFM_ENABLEOK, 0, FALSE);
    EXPECT_FALSE(dialog.okButton()->isEnabled());

    // A path the tree does not hold changes nothing.
    size_t before = caller_.calls.size();
    SendMessageA(dialog.handle(), BFFM_SETSELECTIONA, TRUE,
                 reinterpret_cast<LPARAM>((home_ + "/missing").c_str()));
    EXPECT_EQ(caller_.calls.size(), before);
    EXPECT_EQ(dialog.tree()->currentItem()->text(0), "Voice");
}

TEST_F(BrowseDialogTest, FlagsDecideWhatOkAccepts) {
    std::string music = MakeFolder("Music");
    struct Case {
        UINT flags;
        ItemIdList item;
        bool ok;
    } cases[] = {
        {BIF_RETURNONLYFSDIRS, ItemIdList::FileSystem(music), true},
        {BIF_RETURNONLYFSDIRS, ItemIdList::Virtual(CSIDL_NETWORK), false},
        {BIF_RETURNFSANCESTORS, ItemIdList::Virtual(CSIDL_DRIVES), false},
        {0, ItemIdList::Virtual(CSIDL_PRINTERS), true},
        {BIF_BROWSEFORCOMPUTER, ItemIdList::FileSystem(music), false},
        {BIF_BROWSEFORCOMPUTER, ItemIdList::Computer(HostName()), true},
        {BIF_BROWSEFORPRINTER, ItemIdList::Virtual(CSIDL_PRINTERS), false},
    };
    for (const Case& c : cases) {
        BROWSEINFOA info = Info(c.flags);
        BrowseDialog dialog(info);
        dialog.Start();
        ASSERT_TRUE(dialog.Select(c.item)) << c.item.name();
        EXPECT_EQ(dialog.okButton()->isEnabled(), c.ok) << c.flags << " " << c.item.name();
    }
}

TEST_F(BrowseDialogTest, ChoosingGivesTheItemItsNameAndIcon) {
    std::string music = MakeFolder("Music");
    BROWSEINFOA info = Info(BIF_RETURNONLYFSDIRS);
    BrowseDialog dialog(info);
    dialog.Start();
    ASSERT_TRUE(dialog.Select(ItemIdList::FileSystem(music)));
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), ItemIdList::FileSystem(music));
    EXPECT_STREQ(displayName_, "Music");
    EXPECT_EQ(info.iImage, static_cast<int>(Icon::Folder));

    BROWSEINFOA cancelled = Info(0);
    BrowseDialog other(cancelled);
    other.Start();
    other.cancelButton()->click();
    EXPECT_EQ(other.result(), QDialog::Rejected);
    EXPECT_FALSE(other.chosen());
}

TEST_F(BrowseDialogTest, EditBoxTakesTypedFoldersAndReportsTextThatNamesNothing) {
    std::string music = MakeFolder("Music");
    std::string live = MakeFolder("Music/Live");
    struct Case {
        UINT flags;
        std::string typed;
        int answer;
        std::optional<ItemIdList> chosen;  // none: cancelled
        bool open;                         // the dialog stays open
        bool reported;
    } cases[] = {
        {BIF_EDITBOX | BIF_VALIDATE, "Live", 1, ItemIdList::FileSystem(live), false, false},
        {BIF_EDITBOX | BIF_VALIDATE, live + "/", 1, ItemIdList::FileSystem(live), false, false},
        {BIF_EDITBOX | BIF_VALIDATE, "~/Music", 1, ItemIdList::FileSystem(music), false, false},
        {BIF_EDITBOX | BIF_VALIDATE, "Studio", 1, std::nullopt, true, true},
        {BIF_EDITBOX | BIF_VALIDATE, "Studio", 0, std::nullopt, false, true},
        {BIF_EDITBOX, "Studio", 1, ItemIdList::FileSystem(music), false, false},
        {BIF_EDITBOX | BIF_VALIDATE, "", 1, ItemIdList::FileSystem(music), false, false},
    };
    for (const Case& c : cases) {
        caller_ = Caller{};
        caller_.validateAnswer = c.answer;
        BROWSEINFOA info = Info(c.flags | BIF_RETURNONLYFSDIRS);
        BrowseDialog dialog(info);
        dialog.show();
        dialog.Start();
        ASSERT_TRUE(dialog.Select(ItemIdList::FileSystem(music)));
        EXPECT_EQ(dialog.editBox()->text(), "Music");
        dialog.editBox()->setText(QString::fromStdString(c.typed));
        dialog.okButton()->click();
        EXPECT_EQ(dialog.isVisible(), c.open) << c.typed;
        EXPECT_EQ(dialog.chosen(), c.chosen) << c.typed;
        bool reported = caller_.Codes().back() == BFFM_VALIDATEFAILEDA;
        EXPECT_EQ(reported, c.reported) << c.typed;
        if (reported) {
            EXPECT_EQ(caller_.calls.back().text, c.typed);
        }
        dialog.hide();
    }
}

TEST_F(BrowseDialogTest, StatusLineIsControl14147AndMeasuresInItsFont) {
    BROWSEINFOA plain = Info(0);
    BrowseDialog without(plain);
    EXPECT_EQ(GetDlgItem(without.handle(), kBrowseStatusControlId), nullptr);

    // Measured as the callback hears of the start, before the dialog shows.
    BROWSEINFOA info = Info(BIF_STATUSTEXT);
    BrowseDialog dialog(info);
    dialog.Start();
    HWND status = GetDlgItem(dialog.handle(), kBrowseStatusControlId);
    ASSERT_NE(status, nullptr);
    RECT area;
    ASSERT_TRUE(GetWindowRect(status, &area));
    EXPECT_EQ(area.right - area.left, dialog.statusLine()->width());
    EXPECT_GT(area.right - area.left, 200);
    int shortWidth = GetWindowTextWidth(status, "abc");
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(GetWindowTextWidth(status, "abcabcabc"), shortWidth);

    // A long status text does not widen the dialog.
    int width = dialog.width();
    std::string longText(400, 'w');
    SendMessageA(dialog.handle(), BFFM_SETSTATUSTEXTA, 0,
                 reinterpret_cast<LPARAM>(longText.c_str()));
    EXPECT_EQ(dialog.width(), width);
}

TEST_F(BrowseDialogTest, WindowAnswersItsTitleAndPlace) {
    BROWSEINFOA info = Info(0);
    BrowseDialog dialog(info);
    char text[256];
    EXPECT_EQ(GetWindowTextA(dialog.handle(), text, sizeof text), 17);
    EXPECT_STREQ(text, "Browse for Folder");
    // A short buffer never ends in half a character.
    ASSERT_TRUE(SetWindowTextA(dialog.handle(), "폴더 선택"));
    EXPECT_EQ(GetWindowTextA(dialog.handle(), text, 5), 3);
    EXPECT_STREQ(text, "폴");
    EXPECT_EQ(dialog.windowTitle(), "폴더 선택");

    ASSERT_TRUE(SetWindowPos(dialog.handle(), nullptr, 40, 30, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT area;
    ASSERT_TRUE(GetWindowRect(dialog.handle(), &area));
    EXPECT_EQ(area.left, 40);
    EXPECT_EQ(area.top, 30);
    EXPECT_EQ(area.right - area.left, dialog.frameGeometry().width());
}

TEST_F(BrowseDialogTest, NewStyleMakesNewFoldersInTheSelectedFolder) {
    std::string music = MakeFolder("Music");
    BROWSEINFOA info = Info(BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS);
    BrowseDialog dialog(info);
    dialog.Start();
    ASSERT_NE(dialog.newFolderButton(), nullptr);
    EXPECT_TRUE(dialog.isSizeGripEnabled());
    ASSERT_TRUE(dialog.Select(ItemIdList::Virtual(CSIDL_NETWORK)));
    EXPECT_FALSE(dialog.newFolderButton()->isEnabled());

    // Each new folder is made in the folder selected, and then selected itself.
    ASSERT_TRUE(dialog.Select(ItemIdList::FileSystem(music)));
    dialog.newFolderButton()->click();
    EXPECT_EQ(caller_.calls.back().item, ItemIdList::FileSystem(music + "/New Folder"));
    ASSERT_TRUE(dialog.Select(ItemIdList::FileSystem(music)));
    dialog.newFolderButton()->click();
    EXPECT_TRUE(DirectoryExists(music + "/New Folder"));
    EXPECT_TRUE(DirectoryExists(music + "/New Folder (2)"));
    EXPECT_EQ(caller_.calls.back().item, ItemIdList::FileSystem(music + "/New Folder (2)"));

    // The new folder takes the name typed over it; a taken name is refused with a message.
    QTreeWidgetItem* node = dialog.tree()->currentItem();
    node->setText(0, "Concerts");
    EXPECT_TRUE(DirectoryExists(music + "/Concerts"));
    EXPECT_EQ(caller_.calls.back().item, ItemIdList::FileSystem(music + "/Concerts"));
    ScriptedMessageBoxes boxes;
    node->setText(0, "New Folder");
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(node->text(0), "Concerts");
    EXPECT_TRUE(DirectoryExists(music + "/Concerts"));
}

TEST_F(BrowseDialogTest, RunShowsTheDialogModallyUntilOk) {
    std::string music = MakeFolder("Music");
    caller_.react = [&](HWND window, UINT code) {
        if (code != BFFM_INITIALIZED)
            return;
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(music.c_str()));
        QTimer::singleShot(0, [window] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = dynamic_cast<BrowseDialog*>(widget);
                    dialog && dialog->handle() == window)
                    dialog->okButton()->click();
            }
        });
    };
    BROWSEINFOA info = Info(BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(SHBrowseForFolderA(&info), ItemIdList::FileSystem(music));
    EXPECT_STREQ(displayName_, "Music");
}
