#include "phonebook/FileAccess.h"
#include "phonebook/tests/form_fixture.h"
#include "platform/wab/testing/fixture_writer.h"
#include "platform/win/file_size_limit.h"
#include "platform/win/lang.h"
#include "platform/win/registry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace fixture = kivo::wab::fixture;

namespace kivo::phonebook::testing {
namespace {

using Entries = std::vector<Entry>;

std::string Record(std::string name, std::string home = "", std::string office = "") {
    name.resize(kNameWidth, '\0');
    home.resize(kPhoneWidth, '\0');
    office.resize(kPhoneWidth, '\0');
    return name + home + office;
}

std::optional<std::string> Placement(const char* name) {
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, "Software\\Corvanta",
                                     "Address Book", name);
}

void StorePlacement(const char* name, const std::string& value) {
    ASSERT_TRUE(kivo::win::registry::Write(RegistryRoot::CurrentUser, "Software\\Corvanta",
                                           "Address Book", name, value));
}

using AddressForm = FormTest;

TEST_F(AddressForm, StartsEmptyAndTitledAtTheDefaultPlacement) {
    EXPECT_EQ(Form().windowTitle().toStdString(), "Telephone Book");
    EXPECT_TRUE(Form().Entries().empty());
    EXPECT_FALSE(Form().Modified());
    EXPECT_EQ(Form().SortColumn(), -1);
    EXPECT_EQ(Form().File1->title().toStdString(), "&File");
    EXPECT_EQ(Form().AddButton->text().toStdString(), "Add");
    EXPECT_FALSE(Form().FromCSVFile1->isVisible());
    EXPECT_FALSE(Form().SpeedButton2->isVisibleTo(&Form()));
    EXPECT_EQ(Form().Modify1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));
    Form().show();
    EXPECT_EQ(Form().frameGeometry(), QRect(0, 0, 538, 504));
}

TEST_F(AddressForm, PlacementIsReadAtShowAndWrittenAtClose) {
    StorePlacement("LeftPos", "40");
    StorePlacement("TopPos", "x12");  // not a number: its default
    StorePlacement("FormWidth", "600");
    Form().show();
    EXPECT_EQ(Form().frameGeometry(), QRect(40, 0, 600, 504));
    Form().move(70, 30);
    EXPECT_TRUE(Form().close());
    EXPECT_EQ(Placement("LeftPos"), "70");
    EXPECT_EQ(Placement("TopPos"), "30");
    EXPECT_EQ(Placement("FormWidth"), "600");
    EXPECT_EQ(Placement("FormHeight"), "504");
}

// Settings that cannot be written are told once, naming the store and the reason; the stored
// ones stay, and closing goes on to the question about changes.
TEST_F(AddressForm, PlacementThatCannotBeStoredIsToldAndClosingGoesOn) {
    StorePlacement("LeftPos", "40");
    const std::string store = kivo::win::registry::StoreFile(RegistryRoot::CurrentUser);
    const std::string stored = Slurp(store);
    struct Case {
        const char* what;
        std::function<void()> block;
        const char* reason;
    };
    std::unique_ptr<FileSizeLimit> full;
    std::unique_ptr<ScopedEnv> elsewhere;
    const Case cases[] = {
        {"a full disk", [&] { full = std::make_unique<FileSizeLimit>(10); }, "File too large"},
        {"a settings folder that cannot be made",
         [&] {
             elsewhere = std::make_unique<ScopedEnv>("KIVO_REGISTRY_DIR",
                                                     Write("plain-file", "") + "/registry");
         },
         "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropForm();
        Add("Kim");
        Form().show();
        size_t before = boxes_.shown().size();
        c.block();
        boxes_.Answer(IDNO);  // the changes go
        EXPECT_TRUE(Form().close());
        full.reset();
        elsewhere.reset();
        ASSERT_EQ(boxes_.shown().size(), before + 2);
        const auto& warning = boxes_.shown()[before];
        EXPECT_EQ(warning.flags, MB_ICONWARNING);
        EXPECT_NE(warning.text.find("HKEY_CURRENT_USER.reg\""), std::string::npos) << warning.text;
        EXPECT_NE(warning.text.find(c.reason), std::string::npos) << warning.text;
        EXPECT_EQ(boxes_.shown()[before + 1].text, "Save the changes?");
        EXPECT_EQ(Slurp(store), stored);
    }
}

TEST_F(AddressForm, PlacementOffEveryScreenComesBackOntoTheNearest) {
    StorePlacement("LeftPos", "5000");
    StorePlacement("TopPos", "-3000");
    Form().show();
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QRect at = Form().frameGeometry();
    EXPECT_TRUE(screen.intersects(QRect(at.topLeft(), QSize(at.width(), 24))))
        << at.x() << "," << at.y();
    EXPECT_EQ(at.size(), QSize(538, 504));
}

TEST_F(AddressForm, PlacementLargerThanTheScreenShrinksToItAndTheEntryDialogOpensOnIt) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char *left, *top, *width, *height;
    };
    const Case cases[] = {{"0", "0", "2500", "1400"},
                          {"300", "200", "20000", "30000"},
                          {"-100", "0", "5000", "400"},
                          {"2147483647", "-2147483648", "2147483647", "2147483647"}};
    for (const auto& c : cases) {
        StorePlacement("LeftPos", c.left);
        StorePlacement("TopPos", c.top);
        StorePlacement("FormWidth", c.width);
        StorePlacement("FormHeight", c.height);
        DropForm();
        Form().show();
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        EXPECT_TRUE(screen.contains(Form().frameGeometry())) << Form().frameGeometry().width();
        Add("Kim");
        EXPECT_TRUE(screen.contains(infoForm_));
    }
}

TEST_F(AddressForm, TheToolPanelsBevelSpansAWiderWindow) {
    Form().show();
    Form().resize(900, 400);
    QApplication::sendPostedEvents();
    QFrame* bevel = Form().Bevel1;
    EXPECT_EQ(Form().Panel1->width(), Form().centralWidget()->width());
    EXPECT_EQ(bevel->geometry(), Form().Panel1->rect());
}

TEST_F(AddressForm, AddTrimsAndSkipsAnEmptyName) {
    Add("  Kim  ", " 010 ", "\t02 ");
    EXPECT_EQ(Form().Entries(), (Entries{{"Kim", "010", "02"}}));
    EXPECT_TRUE(Form().Modified());
    EXPECT_EQ(shownInfoForm_, Entry{});  // Add starts with empty edits

    DropForm();
    Add("", "010", "02");
    EXPECT_TRUE(Form().Entries().empty());
    EXPECT_FALSE(Form().Modified());
    Add("   ", "1");
    EXPECT_EQ(Form().Entries(), (Entries{{"", "1", ""}}));
    ScriptInfoForm([](TInfoForm& f) { f.NameEdit->setText("Lee"); }, false);
    Form().AddButtonClick();
    EXPECT_EQ(Form().Entries().size(), 1u);
}

TEST_F(AddressForm, EntryDialogIsCentredOverTheWindow) {
    Form().show();
    Form().move(100, 80);
    Add("Kim");
    QRect main = Form().frameGeometry();
    EXPECT_EQ(infoForm_.topLeft(), QPoint(main.left() + (main.width() - infoForm_.width()) / 2,
                                          main.top() + (main.height() - infoForm_.height()) / 2));
    EXPECT_EQ(infoForm_.size() - QSize(346, 161), main.size() - Form().size());  // same frame
}

TEST_F(AddressForm, AddsSortAscendingAndTitleClicksTurnTheDirection) {
    Add("Park");
    Add("kim");
    Add("Lee");
    EXPECT_EQ(Names(), (std::vector<std::string>{"kim", "Lee", "Park"}));
    Form().PhoneListViewColumnClick(2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Park", "Lee", "kim"}));
    EXPECT_EQ(Form().Descending(), 1);
    Form().PhoneListViewColumnClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"kim", "Lee", "Park"}));
    Form().SpeedButton1Click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Park", "Lee", "kim"}));
    Form().SpeedButton2Click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"kim", "Lee", "Park"}));
}

TEST_F(AddressForm, SortingNeverChangesModified) {
    Write("book.TEL", Record("B") + Record("A"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A"}));
    Form().PhoneListViewColumnClick(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(Form().Modified());
}

TEST_F(AddressForm, ModifyWithTwoRowsSelectedEditsTheFirstInDisplayOrder) {
    Add("Ahn", "1");
    Add("Baek", "2");
    Add("Cho", "3");
    Select({2, 1});
    ScriptInfoForm([](TInfoForm& f) {
        f.NameEdit->setText(" Zo ");
        f.OfficePhoneEdit->setText("9");
    });
    Form().PhoneListViewDblClick();
    EXPECT_EQ(shownInfoForm_, (Entry{"Baek", "2", ""}));
    EXPECT_EQ(Form().Entries(), (Entries{{"Ahn", "1", ""}, {"Cho", "3", ""}, {"Zo", "2", "9"}}));
}

// A sort moves the selected rows and keeps them selected, as the platform's list view does; the
// status line and Modify follow the same entry.
TEST_F(AddressForm, TheSelectionFollowsItsEntryThroughEverySort) {
    Add("Cho", "3");
    Add("Ahn", "1");
    Add("Baek", "2");
    Select({2});
    EXPECT_EQ(Status(), "3 / 3");
    Form().PhoneListViewColumnClick(0);  // descending: Cho comes first
    EXPECT_EQ(Names(), (std::vector<std::string>{"Cho", "Baek", "Ahn"}));
    EXPECT_EQ(Form().PhoneListView->SelectedRows(), (std::vector<int>{0}));
    EXPECT_EQ(Status(), "1 / 3");

    // Modify sorts afterwards; the edited entry stays chosen where it lands.
    ScriptInfoForm([](TInfoForm& f) { f.NameEdit->setText("Dan"); });
    Form().PhoneListViewDblClick();
    EXPECT_EQ(shownInfoForm_, (Entry{"Cho", "3", ""}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ahn", "Baek", "Dan"}));
    EXPECT_EQ(Form().PhoneListView->SelectedRows(), (std::vector<int>{2}));
    EXPECT_EQ(Status(), "3 / 3");
    ScriptInfoForm([](TInfoForm& f) { f.HomePhoneEdit->setText("4"); });
    Form().PhoneListViewDblClick();
    EXPECT_EQ(shownInfoForm_, (Entry{"Dan", "3", ""}));

    // Add sorts too: the entries chosen before stay chosen.
    Add("Bae");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ahn", "Bae", "Baek", "Dan"}));
    EXPECT_EQ(Form().PhoneListView->SelectedRows(), (std::vector<int>{3}));
    EXPECT_EQ(Status(), "4 / 4");
}

TEST_F(AddressForm, ModifyWithNothingSelectedShowsNoDialog) {
    Add("Ahn");
    Form().PhoneListViewDblClick();  // an unscripted dialog would fail the fixture's assertion
    EXPECT_EQ(Form().Entries().size(), 1u);
}

TEST_F(AddressForm, DeleteRemovesTheSelectionAndNothingWithoutOne) {
    Write("book.TEL", Record("A") + Record("B") + Record("C") + Record("D"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    Form().DeleteButtonClick();
    EXPECT_EQ(Form().Entries().size(), 4u);
    EXPECT_FALSE(Form().Modified());
    Select({0, 2});
    Form().DeleteButtonClick();
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "D"}));
    EXPECT_TRUE(Form().Modified());
    Form().show();
    Select({1});
    Form().PhoneListView->setFocus();
    QTest::keyClick(Form().PhoneListView->currentView(), Qt::Key_Delete);
    EXPECT_EQ(Names(), (std::vector<std::string>{"B"}));
}

// The menu's shortcuts reach their commands from the focused list, each exactly once.
TEST_F(AddressForm, ShortcutsInTheListRunTheirCommandOnce) {
    Add("Ahn", "1");
    Add("Baek", "2");
    Add("Cho", "3");
    Form().show();
    QWidget* list = Form().PhoneListView->currentView();
    // The offscreen platform gives the window back no focus when a dialog closes.
    auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(&Form());
        list->setFocus();
        QTest::keyClick(list, key, modifiers);
    };
    Select({0});
    press(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Baek", "Cho"}));

    Select({1});
    ScriptInfoForm([](TInfoForm& f) { f.NameEdit->setText("Dan"); });
    press(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(shownInfoForm_, (Entry{"Cho", "3", ""}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Baek", "Dan"}));

    ScriptInfoForm([](TInfoForm& f) { f.NameEdit->setText("Ann"); });
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Ann", "Baek", "Dan"}));
}

TEST_F(AddressForm, StatusLineShowsTheFirstSelectedPositionAndTheCount) {
    std::string book;
    for (int i = 0; i < 12; ++i)
        book += Record("N" + std::to_string(10 + i));
    Write("book.TEL", book);
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    EXPECT_EQ(Status(), "12");
    Select({2});
    EXPECT_EQ(Status(), "3 / 12");
    Select({7});
    EXPECT_EQ(Status(), "3 / 12");
    Form().New1Click();
    EXPECT_EQ(Status(), "");
}

TEST_F(AddressForm, ANewlyOpenedBookIsShownFromItsFirstEntry) {
    std::string book;
    for (int i = 0; i < 200; ++i)
        book += Record("N" + std::to_string(100 + i));
    Write("book.TEL", book);
    Form().show();
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    QApplication::sendPostedEvents();
    auto* view = Form().PhoneListView->currentView();
    view->scrollToBottom();
    ASSERT_GT(view->verticalScrollBar()->value(), 0);
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    QApplication::sendPostedEvents();
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
}

TEST_F(AddressForm, OpenReplacesTheListAndClearsModified) {
    Write("book.TEL", Record("Kim", "010", "02") + Record("Lee"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    EXPECT_EQ(Form().Entries(), (Entries{{"Kim", "010", "02"}, {"Lee", "", ""}}));
    EXPECT_FALSE(Form().Modified());
    EXPECT_EQ(Form().windowTitle().toStdString(), "Telephone Book - book.TEL");
    EXPECT_TRUE(boxes_.shown().empty());
    ASSERT_EQ(dialogs_.openRequests().size(), 1u);
    const auto& request = dialogs_.openRequests()[0];
    EXPECT_EQ(request.defaultExtension, ".TEL");
    EXPECT_TRUE(request.mustExist);
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].description, "TEL File (*.TEL)");
    EXPECT_EQ(request.filters[1].pattern, "*.TXT");
}

// Open asks before it gives up changes, as New does.
TEST_F(AddressForm, OpenWithChanges) {
    Write("book.TEL", Record("Lee"));
    struct Case {
        const char* what;
        int answer;
        std::optional<std::string> saveAs;
        bool opened;
        std::string file;  // what the save left on disk
    };
    const Case cases[] = {
        {"No opens without saving", IDNO, std::nullopt, true, ""},
        {"Yes saves, then opens", IDYES, "a.TEL", true, Record("Kim")},
        {"Yes with the save dialog cancelled keeps the list", IDYES, std::nullopt, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropForm();
        std::filesystem::remove(Path("a.TEL"));
        const size_t asked = boxes_.shown().size();
        Add("Kim");
        boxes_.Answer(c.answer);
        if (c.saveAs)
            dialogs_.AnswerSave(Path(*c.saveAs));
        if (c.opened)
            dialogs_.AnswerOpen({Path("book.TEL")});
        Form().Open1Click();
        ASSERT_GT(boxes_.shown().size(), asked);
        EXPECT_EQ(boxes_.shown()[asked].text, "Save the changes?");
        EXPECT_EQ(boxes_.shown()[asked].flags, MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(Names(),
                  c.opened ? std::vector<std::string>{"Lee"} : std::vector<std::string>{"Kim"});
        EXPECT_EQ(Form().Modified(), !c.opened);
        EXPECT_EQ(Slurp(Path("a.TEL")), c.file);
    }
}

// A book saved without edits is the file it was, on every system language, also where the
// code page cannot decode its bytes; only what the user typed is told as not held.
TEST_F(AddressForm, ABookSavedWithoutEditsKeepsEveryByte) {
    const std::string jose = "Jos\xe9";               // 1252, no 949 text
    const std::string han = "\xc7\xd1";               // a 949 character, no 1252 text
    const std::string half = std::string("\xb0", 1);  // a lead byte without its trail
    const std::string book = Record(jose, "010") + Record(han, "", "02") +
                             Record("Kim" + half, "1") + Record(" Lee ") +
                             Record("Park", std::string("1\0"
                                                        "2",
                                                        3));
    for (const char* lang : {"0409", "0412", "0411", "0804"}) {
        SCOPED_TRACE(lang);
        ScopedEnv system("KIVO_LANGID", lang);
        DropForm();
        const std::string path = Write("book.TEL", book);
        dialogs_.AnswerOpen({path});
        Form().Open1Click();
        const size_t before = boxes_.shown().size();
        Form().Save1Click();
        EXPECT_EQ(Slurp(path), book);
        EXPECT_EQ(boxes_.shown().size(), before) << "no warning for what the user did not type";
    }

    // An edited field is written anew; the fields not edited keep their bytes.
    ScopedEnv korean("KIVO_LANGID", "0412");
    DropForm();
    const std::string path = Write("book.TEL", Record(jose, "010"));
    dialogs_.AnswerOpen({path});
    Form().Open1Click();
    Select({0});
    ScriptInfoForm([](TInfoForm& f) { f.HomePhoneEdit->setText("011"); });
    Form().PhoneListViewDblClick();
    Form().Save1Click();
    EXPECT_EQ(Slurp(path), Record(jose, "011"));
    // A typed character the code page lacks is still told.
    Add("Jos\xc3\xa9");
    Form().Save1Click();
    ASSERT_FALSE(boxes_.shown().empty());
    EXPECT_EQ(boxes_.shown().back().flags, MB_ICONWARNING);
}

TEST_F(AddressForm, OpenOfAnUnreadableFileShowsTheErrorAndNamesTheFile) {
    std::filesystem::create_directory(Path("folder.TEL"));
    dialogs_.AnswerOpen({Path("folder.TEL")});
    Form().Open1Click();
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].flags, MB_ICONERROR);
    EXPECT_EQ(boxes_.shown()[0].caption, "Telephone Book");
    EXPECT_NE(boxes_.shown()[0].text.find("folder.TEL"), std::string::npos);
    EXPECT_TRUE(Form().Entries().empty());
}

TEST_F(AddressForm, FilesReadOnlyPartlyKeepWhatWasReadAndSayWhy) {
    Write("book.TEL", Record("Kim", "1") + Record("Lee", "2") + Record("Park", "3"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    {
        ScopedReadFault fault(2 * kRecordSize + 5, EIO);
        Form().Open1Click();
    }
    EXPECT_EQ(Form().Entries(), (Entries{{"Kim", "1", ""}, {"Lee", "2", ""}}));
    EXPECT_EQ(Form().CurrentFileName(), Path("book.TEL"));
    EXPECT_FALSE(Form().Modified());
    EXPECT_EQ(Status(), "2");
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].flags, MB_ICONERROR);
    EXPECT_EQ(Boxes()[0],
              "Cannot read \"" + Path("book.TEL") +
                  "\".\r\nInput/output error\r\nOnly the first 2 entries could be read.");

    // The CSV import appends what it read and does not claim to have imported the file.
    std::string csv = Write("list.csv", "name,home\nAhn,010\nCho,011\n");
    dialogs_.AnswerOpen({csv});
    {
        ScopedReadFault fault(20, EIO);
        Form().FromCSVFile1Click();
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kim", "Lee", "Ahn"}));
    EXPECT_TRUE(Form().Modified());
    ASSERT_EQ(boxes_.shown().size(), 2u);
    EXPECT_EQ(boxes_.shown()[1].flags, MB_ICONERROR);
    EXPECT_NE(Boxes()[1].find(csv), std::string::npos);
}

// Written over its file, a book read only partly would lose every entry that was not read: the
// first Save asks for a name as for a new book, and the user may still choose that file.
TEST_F(AddressForm, FirstSaveAfterAPartialReadAsksForANameInsteadOfOverwriting) {
    const std::string whole = Record("Kim", "1") + Record("Lee", "2") + Record("Park", "3");
    const std::string read = Record("Kim", "1") + Record("Lee", "2");
    struct Case {
        const char* what;
        size_t failAfter;
        std::optional<std::string> saveAs;  // nothing: the dialog is cancelled
        std::string book;                   // book.TEL afterwards
    };
    const Case cases[] = {
        {"cancelled", 2 * kRecordSize + 5, std::nullopt, whole},
        {"nothing read, cancelled", 0, std::nullopt, whole},
        {"another name", 2 * kRecordSize + 5, "other.TEL", whole},
        {"the same file, chosen knowingly", 2 * kRecordSize + 5, "book.TEL", read},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropForm();
        std::filesystem::remove(Path("other.TEL"));
        Write("book.TEL", whole);
        dialogs_.AnswerOpen({Path("book.TEL")});
        {
            ScopedReadFault fault(c.failAfter, EIO);
            Form().Open1Click();
        }
        const size_t asked = dialogs_.saveRequests().size();
        const size_t told = boxes_.shown().size();
        dialogs_.AnswerSave(c.saveAs ? std::optional(Path(*c.saveAs)) : std::nullopt);
        Form().Save1Click();
        ASSERT_EQ(dialogs_.saveRequests().size(), asked + 1);
        EXPECT_TRUE(dialogs_.saveRequests().back().confirmOverwrite);
        EXPECT_EQ(Slurp(Path("book.TEL")), c.book);
        if (!c.saveAs) {
            EXPECT_EQ(boxes_.shown().size(), told);
            EXPECT_EQ(Form().CurrentFileName(), Path("book.TEL"));
            Form().Save1Click();  // asks again
            EXPECT_EQ(dialogs_.saveRequests().size(), asked + 2);
            EXPECT_EQ(Slurp(Path("book.TEL")), whole);
            continue;
        }
        EXPECT_EQ(Slurp(Path(*c.saveAs)), read);
        EXPECT_EQ(Boxes().back(), "Saved as " + Path(*c.saveAs));
        EXPECT_EQ(Form().CurrentFileName(), Path(*c.saveAs));
        // Saved once, the book goes to its file without asking.
        Add("Ahn");
        Form().Save1Click();
        EXPECT_EQ(dialogs_.saveRequests().size(), asked + 1);
        EXPECT_EQ(Slurp(Path(*c.saveAs)), Record("Ahn") + read);
    }

    // A name that cannot be written leaves the book as partly read as before: Save asks again.
    DropForm();
    Write("book.TEL", whole);
    std::filesystem::create_directory(Path("folder.TEL"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    {
        ScopedReadFault fault(kRecordSize, EIO);
        Form().Open1Click();
    }
    size_t asked = dialogs_.saveRequests().size();
    dialogs_.AnswerSave(Path("folder.TEL"));
    Form().Save1Click();
    EXPECT_EQ(boxes_.shown().back().flags, MB_ICONERROR);
    EXPECT_EQ(Form().CurrentFileName(), Path("book.TEL"));
    Form().Save1Click();
    EXPECT_EQ(dialogs_.saveRequests().size(), asked + 2);
    EXPECT_EQ(Slurp(Path("book.TEL")), whole);

    // Closing with changes asks for a name too; cancelled, the window stays and the file too.
    DropForm();
    Write("book.TEL", whole);
    dialogs_.AnswerOpen({Path("book.TEL")});
    {
        ScopedReadFault fault(kRecordSize, EIO);
        Form().Open1Click();
    }
    Add("Ahn");
    Form().show();
    asked = dialogs_.saveRequests().size();
    boxes_.Answer(IDYES);
    EXPECT_FALSE(Form().close());
    EXPECT_EQ(dialogs_.saveRequests().size(), asked + 1);
    EXPECT_EQ(Slurp(Path("book.TEL")), whole);

    // Opened again whole, the book is saved to its file as usual.
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    Form().Save1Click();
    EXPECT_EQ(dialogs_.saveRequests().size(), asked + 1);
    EXPECT_EQ(Slurp(Path("book.TEL")), whole);
    boxes_.Answer(IDNO);
}

TEST_F(AddressForm, SaveOfANewListAsksForANameAndTellsWhereItWent) {
    Add("Kim", "010");
    dialogs_.AnswerSave(Path("new.TEL"));
    Form().Save1Click();
    ASSERT_EQ(dialogs_.saveRequests().size(), 1u);
    EXPECT_TRUE(dialogs_.saveRequests()[0].confirmOverwrite);
    EXPECT_EQ(dialogs_.saveRequests()[0].defaultExtension, ".TEL");
    EXPECT_EQ(Slurp(Path("new.TEL")), Record("Kim", "010"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Saved as " + Path("new.TEL")});
    EXPECT_EQ(boxes_.shown()[0].flags, MB_ICONINFORMATION);
    EXPECT_FALSE(Form().Modified());
    EXPECT_EQ(Form().windowTitle().toStdString(), "Telephone Book - new.TEL");

    // A list with a file is saved to it without a dialog or a message.
    Add("Lee");
    Form().Save1Click();
    EXPECT_EQ(Slurp(Path("new.TEL")), Record("Kim", "010") + Record("Lee"));
    EXPECT_EQ(dialogs_.saveRequests().size(), 1u);
    EXPECT_EQ(boxes_.shown().size(), 1u);
}

TEST_F(AddressForm, SaveWithTheDialogCancelledWritesNothing) {
    Add("Kim");
    Form().Save1Click();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Form().Modified());
    EXPECT_EQ(Form().CurrentFileName(), "");
}

TEST_F(AddressForm, FailedSaveKeepsTheOldFileTheListAndModified) {
    std::string old = Record("Old", "1");
    Write("book.TEL", old);
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    for (int i = 0; i < 5; ++i)
        Add("New" + std::to_string(i));
    {
        FileSizeLimit full(100);
        Form().Save1Click();
    }
    EXPECT_EQ(Slurp(Path("book.TEL")), old);
    EXPECT_TRUE(Form().Modified());
    EXPECT_EQ(Form().Entries().size(), 6u);
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].flags, MB_ICONERROR);
    EXPECT_NE(boxes_.shown()[0].text.find("book.TEL"), std::string::npos);
    for (const auto& file : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(file.path().string().find("book.TEL."), std::string::npos)
            << "left behind: " << file.path();
}

// A save that fails under a chosen name leaves the list unnamed, so that the next Save asks
// again; a book whose own file cannot be written is offered the save dialog for another place.
TEST_F(AddressForm, FailedSaveLeavesAWayToSaveElsewhere) {
    Add("Kim", "010");
    std::string tooLong = Path(std::string(300, 'x') + ".TEL");  // longer than a name may be
    dialogs_.AnswerSave(tooLong);
    Form().Save1Click();
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].flags, MB_ICONERROR);
    EXPECT_NE(Boxes()[0].find("\"" + tooLong + "\".\r\nFile name too long"), std::string::npos);
    EXPECT_EQ(Form().CurrentFileName(), "");
    EXPECT_EQ(Form().windowTitle().toStdString(), "Telephone Book");
    EXPECT_TRUE(Form().Modified());

    std::filesystem::create_directory(Path("sub"));
    dialogs_.AnswerSave(Path("sub/book.TEL"));
    Form().Save1Click();
    EXPECT_EQ(dialogs_.saveRequests().size(), 2u);
    EXPECT_EQ(Slurp(Path("sub/book.TEL")), Record("Kim", "010"));

    // The folder goes away under the open book.
    Add("Lee");
    std::filesystem::rename(Path("sub"), Path("gone"));
    dialogs_.AnswerSave(Path("elsewhere.TEL"));
    Form().Save1Click();
    EXPECT_EQ(dialogs_.saveRequests().size(), 3u);
    EXPECT_EQ(Slurp(Path("elsewhere.TEL")), Record("Kim", "010") + Record("Lee"));
    EXPECT_EQ(Slurp(Path("gone/book.TEL")), Record("Kim", "010"));
    EXPECT_EQ(Form().CurrentFileName(), Path("elsewhere.TEL"));
    EXPECT_FALSE(Form().Modified());
    EXPECT_EQ(Boxes().back(), "Saved as " + Path("elsewhere.TEL"));
    EXPECT_NE(Boxes()[Boxes().size() - 2].find("sub/book.TEL"), std::string::npos);
}

// Names a file system takes but a person would not type: the book is saved under exactly that
// name and opens again.
TEST_F(AddressForm, HostileFileNamesSaveAndOpen) {
    const std::string names[] = {"bad\xFF\xFE.TEL", "two\nlines.TEL",
                                 std::string(251, 'n') + ".TEL", "%1 %s.TEL"};
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        DropForm();
        Add("Kim", "010");
        dialogs_.AnswerSave(Path(name));
        Form().Save1Click();
        EXPECT_EQ(Slurp(Path(name)), Record("Kim", "010"));
        EXPECT_EQ(Form().CurrentFileName(), Path(name));
        EXPECT_EQ(Boxes().back(), "Saved as " + Path(name));
        DropForm();
        dialogs_.AnswerOpen({Path(name)});
        Form().Open1Click();
        EXPECT_EQ(Form().Entries(), (Entries{{"Kim", "010", ""}}));
        EXPECT_TRUE(Form().windowTitle().startsWith("Telephone Book - "));
    }
}

// What the system's code page cannot hold is written as "_", and the user is told which
// entries lost characters; a Korean system holds Hangul and names only the others.
TEST_F(AddressForm, SaveTellsWhichEntriesTheCodePageCannotHold) {
    const std::string kim = "\xea\xb9\x80";        // Hangul
    const std::string phone = "\xf0\x9f\x93\x9e";  // a picture of a receiver
    struct Case {
        const char* lang;
        Entries stored;  // as the book reads back
        std::vector<std::string> named;
    };
    const Case cases[] = {
        {"0409",
         {{"Lee", "010", ""}, {"Park", "_ 031", ""}, {"_ Chul", "02", ""}},
         {"Park", kim + " Chul"}},
        {"0412", {{"Lee", "010", ""}, {"Park", "_ 031", ""}, {kim + " Chul", "02", ""}}, {"Park"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        ScopedEnv system("KIVO_LANGID", c.lang);
        DropForm();
        Add("Lee", "010");
        Add(kim + " Chul", "02");
        Add("Park", phone + " 031");
        std::string path = Path(std::string("book") + c.lang + ".TEL");
        dialogs_.AnswerSave(path);
        Form().Save1Click();
        EXPECT_FALSE(Form().Modified());
        FileEntries stored = LoadTel(path);
        EXPECT_EQ(stored.fault, std::nullopt);
        std::sort(stored.entries.begin(), stored.entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        EXPECT_EQ(stored.entries, c.stored);
        ASSERT_GE(boxes_.shown().size(), 2u);
        const auto& warning = boxes_.shown()[boxes_.shown().size() - 2];
        EXPECT_EQ(warning.flags, MB_ICONWARNING);
        EXPECT_EQ(warning.text.find("\"" + path + "\""), 0u) << warning.text;
        for (const std::string& name : {std::string("Lee"), std::string("Park"), kim + " Chul"}) {
            bool named = std::find(c.named.begin(), c.named.end(), name) != c.named.end();
            EXPECT_EQ(warning.text.find("\n" + name) != std::string::npos, named) << name;
        }
        EXPECT_EQ(boxes_.shown().back().flags, MB_ICONINFORMATION);  // saved as
    }
}

TEST_F(AddressForm, NewAndCloseWithoutChangesAskNothing) {
    Add("Kim");
    dialogs_.AnswerSave(Path("a.TEL"));
    Form().Save1Click();
    Form().New1Click();
    EXPECT_TRUE(Form().Entries().empty());
    EXPECT_EQ(Form().windowTitle().toStdString(), "Telephone Book");
    Form().show();
    EXPECT_TRUE(Form().close());
    EXPECT_EQ(boxes_.shown().size(), 1u);  // only the one after saving
}

TEST_F(AddressForm, NewWithChanges) {
    struct Case {
        const char* what;
        int answer;
        std::optional<std::string> saveAs;
        bool emptied;
        std::string file;  // what is on disk afterwards
    };
    const Case cases[] = {
        {"No empties the list without saving", IDNO, std::nullopt, true, ""},
        {"Yes saves, then empties", IDYES, "a.TEL", true, Record("Kim")},
        {"Yes with the save dialog cancelled keeps the list", IDYES, std::nullopt, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropForm();
        std::filesystem::remove(Path("a.TEL"));
        Add("Kim");
        boxes_.Answer(c.answer);
        if (c.saveAs)
            dialogs_.AnswerSave(Path(*c.saveAs));
        Form().New1Click();
        EXPECT_EQ(Form().Entries().empty(), c.emptied);
        EXPECT_EQ(Form().Modified(), !c.emptied);
        EXPECT_EQ(Slurp(Path("a.TEL")), c.file);
    }
    EXPECT_EQ(boxes_.shown()[0].text, "Save the changes?");
    EXPECT_EQ(boxes_.shown()[0].flags, MB_YESNO | MB_ICONQUESTION);
}

// New and Open whose save fails keep the list; Open then shows no open dialog.
TEST_F(AddressForm, NewOrOpenWithAFailingSaveKeepsTheList) {
    const std::pair<const char*, void (TAddressForm::*)()> commands[] = {
        {"New", &TAddressForm::New1Click}, {"Open", &TAddressForm::Open1Click}};
    for (auto [what, command] : commands) {
        SCOPED_TRACE(what);
        DropForm();
        const size_t before = boxes_.shown().size();
        Write("book.TEL", Record("Old"));
        dialogs_.AnswerOpen({Path("book.TEL")});
        Form().Open1Click();
        Add("Kim");
        boxes_.Answer(IDYES);
        {
            FileSizeLimit full(10);
            (Form().*command)();  // an open dialog would find no scripted answer
        }
        EXPECT_EQ(Slurp(Path("book.TEL")), Record("Old"));
        EXPECT_EQ(Names(), (std::vector<std::string>{"Kim", "Old"}));
        EXPECT_TRUE(Form().Modified());
        ASSERT_EQ(boxes_.shown().size(), before + 2);
        EXPECT_EQ(boxes_.shown()[before + 1].flags, MB_ICONERROR);
    }
    EXPECT_EQ(dialogs_.openRequests().size(), 2u);
}

TEST_F(AddressForm, CloseWithChangesStopsWhenTheSaveDoesNotHappen) {
    Write("book.TEL", Record("Old"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    Add("Kim");
    Form().show();

    boxes_.Answer(IDOK);  // the window's place cannot be stored either
    boxes_.Answer(IDYES);
    {
        FileSizeLimit full(10);
        EXPECT_FALSE(Form().close());
    }
    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(Slurp(Path("book.TEL")), Record("Old"));

    boxes_.Answer(IDYES);
    EXPECT_TRUE(Form().close());
    EXPECT_EQ(Slurp(Path("book.TEL")), Record("Kim") + Record("Old"));
}

TEST_F(AddressForm, CloseOfANewListWithTheSaveDialogCancelledStaysOpen) {
    Add("Kim");
    Form().show();
    boxes_.Answer(IDYES);
    EXPECT_FALSE(Form().close());
    EXPECT_EQ(dialogs_.saveRequests().size(), 1u);
    boxes_.Answer(IDNO);
    EXPECT_TRUE(Form().close());
}

// Contacts of an address book as the bridge reads them.
std::string AddressBook() {
    using fixture::Contact;
    return fixture::WriteWabBinary({
        fixture::ContactRecord(1, Contact{.surname = "Park", .given = "Ji", .home = "010-1"}),
        fixture::ContactRecord(
            2,
            Contact{.surname = "\xea\xb9\x80", .given = "\xec\x98\x81", .business = "02-555-0101"}),
        fixture::ContactRecord(3, Contact{.display = "Team", .objectType = MAPI_DISTLIST}),
        fixture::ContactRecord(4, Contact{.surname = "Ahn", .home = "031-9"}),
    });
}

TEST_F(AddressForm, DefaultAddressBookReplacesTheListSortedAndSavesToTheCurrentFile) {
    ScopedEnv korean("KIVO_LANGID", "0412");
    ASSERT_TRUE(kivo::win::registry::Write(RegistryRoot::CurrentUser,
                                           "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", "", "",
                                           Write("user.wab", AddressBook())));
    Write("book.TEL", Record("Old"));
    dialogs_.AnswerOpen({Path("book.TEL")});
    Form().Open1Click();
    Form().FromMSAddressBook1Click();
    EXPECT_EQ(Form().Entries(), (Entries{{"Ahn", "031-9", ""},
                                         {"Park Ji", "010-1", ""},
                                         {"\xea\xb9\x80 \xec\x98\x81", "", "02-555-0101"}}));
    EXPECT_TRUE(Form().Modified());
    EXPECT_TRUE(boxes_.shown().empty());
    EXPECT_EQ(Form().TempListView.RowCount(), 0);
    EXPECT_EQ(Form().windowTitle().toStdString(), "Telephone Book - book.TEL");
    Form().Save1Click();
    EXPECT_EQ(Slurp(Path("book.TEL")),
              Record("Ahn", "031-9") + Record("Park Ji", "010-1") +
                  Record(ToCodePage(949, "\xea\xb9\x80 \xec\x98\x81"), "", "02-555-0101"));
}

TEST_F(AddressForm, DefaultAddressBookAtALongPathIsRead) {
    std::filesystem::path folder = dir_.path() / std::string(200, 'd') / std::string(200, 'e');
    std::filesystem::create_directories(folder);
    std::string path = (folder / "user.wab").string();
    std::ofstream(path, std::ios::binary) << AddressBook();
    ASSERT_TRUE(kivo::win::registry::Write(
        RegistryRoot::CurrentUser, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", "", "", path));
    EXPECT_EQ(ReadWabFileNameFromRegistry(), path);
    Form().FromMSAddressBook1Click();
    EXPECT_EQ(Form().Entries().size(), 3u);
}

TEST_F(AddressForm, NoDefaultAddressBookChangesNothingButTheOrder) {
    Add("B");
    Add("A");
    Form().SpeedButton1Click();
    Form().FromMSAddressBook1Click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(AddressForm, ChosenVCardFileIsImportedAndNamed) {
    fixture::Card card;
    card.contact = {.surname = "Cho", .given = "Min", .home = "010-77"};
    std::string path = Write("friends.vcf", fixture::WriteVCard(card));
    Add("Old");
    dialogs_.AnswerOpen({path});
    Form().FromWABFile1Click();
    EXPECT_EQ(Form().Entries(), (Entries{{"Cho Min", "010-77", ""}}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Imported " + path});
    ASSERT_EQ(dialogs_.openRequests().size(), 1u);
    EXPECT_EQ(dialogs_.openRequests()[0].defaultExtension, ".WAB");
    EXPECT_EQ(dialogs_.openRequests()[0].filters[0].pattern, "*.WAB");
}

// A file that gives no entries (no address book, one the bridge cannot read, an empty one)
// leaves the list and its state as they were, and says so in place of the import's success.
TEST_F(AddressForm, AnImportThatGivesNoEntriesKeepsTheList) {
    struct Case {
        const char* what;
        std::string file, bytes;
        std::function<void(TAddressForm&)> import;
        bool chosenInADialog = true;
    };
    auto chosen = [](TAddressForm& form) { form.FromWABFile1Click(); };
    auto csv = [](TAddressForm& form) { form.FromCSVFile1Click(); };
    auto byDefault = [](TAddressForm& form) { form.FromMSAddressBook1Click(); };
    const Case cases[] = {
        {"no address book", "notes.wab", "These are no contacts.\n", chosen},
        {"an empty file", "empty.wab", "", chosen},
        {"an address book without contacts", "none.wab", fixture::WriteWabBinary({}), chosen},
        {"the default address book, unreadable", "user.wab", "garbage", byDefault, false},
        {"a CSV file with no entry", "list.csv", "name,home\nno comma\n", csv},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DropForm();
        Write("book.TEL", Record("Kim", "010") + Record("Lee"));
        dialogs_.AnswerOpen({Path("book.TEL")});
        Form().Open1Click();
        const std::string path = Write(c.file, c.bytes);
        ASSERT_TRUE(kivo::win::registry::Write(RegistryRoot::CurrentUser,
                                               "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", "",
                                               "", path));
        if (c.chosenInADialog)
            dialogs_.AnswerOpen({path});
        const size_t before = boxes_.shown().size();
        c.import(Form());
        EXPECT_EQ(Names(), (std::vector<std::string>{"Kim", "Lee"}));
        EXPECT_FALSE(Form().Modified());
        ASSERT_EQ(boxes_.shown().size(), before + 1);
        EXPECT_EQ(boxes_.shown().back().text, "No entries in " + path);
    }
    // A list that had changes keeps them marked.
    Add("Park");
    std::string path = Write("notes.wab", "no contacts");
    dialogs_.AnswerOpen({path});
    Form().FromWABFile1Click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kim", "Lee", "Park"}));
    EXPECT_TRUE(Form().Modified());
}

// A file larger than the player's largest memory cannot be a telephone book: it is refused
// before it is read, with the file named.
TEST_F(AddressForm, AFileLargerThanThePlayersMemoryIsRefusedBeforeItIsRead) {
    for (const char* name : {"huge.TEL", "huge.csv"}) {
        SCOPED_TRACE(name);
        DropForm();
        const size_t before = boxes_.shown().size();
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << Record("Kim");
        std::filesystem::resize_file(path, kLargestBookFile + 1);  // sparse: nothing to read
        dialogs_.AnswerOpen({path});
        if (std::string(name) == "huge.TEL")
            Form().Open1Click();
        else
            Form().FromCSVFile1Click();
        EXPECT_TRUE(Form().Entries().empty());
        ASSERT_EQ(boxes_.shown().size(), before + 1);
        EXPECT_EQ(boxes_.shown().back().text, "Cannot read \"" + path + "\".\r\nIt is too large.");
        EXPECT_EQ(boxes_.shown().back().flags, MB_ICONERROR);
    }
    // At the limit it is still read.
    const std::string path = Path("full.TEL");
    std::ofstream(path, std::ios::binary) << Record("Kim");
    std::filesystem::resize_file(path, kLargestBookFile / kRecordSize * kRecordSize);
    dialogs_.AnswerOpen({path});
    DropForm();
    Form().Open1Click();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kim"}));
}

TEST_F(AddressForm, CsvImportBehindItsHiddenItemAppendsUnsorted) {
    Add("Zed");
    std::string path = Write("list.csv", "name,home\nLee,02-1,ext 5\nno comma\nAhn , 010\n");
    dialogs_.AnswerOpen({path});
    EXPECT_FALSE(Form().FromCSVFile1->isVisible());
    Form().FromCSVFile1->trigger();
    EXPECT_EQ(Form().Entries(),
              (Entries{{"Zed", "", ""}, {"Lee", "02-1,ext 5", ""}, {"Ahn", "010", ""}}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Imported " + path});
    EXPECT_EQ(dialogs_.openRequests()[0].defaultExtension, ".CSV");
    EXPECT_EQ(Form().CurrentFileName(), "");
}

// The messages about files and settings, with the packs the program ships, in the system's
// language: the file or the settings store named whole, the system's reason as it gives it.
TEST_F(AddressForm, FileMessagesSpeakTheSystemsLanguage) {
    ScopedEnv packs("KIVO_PACK_DIR", KIVO_SOURCE_PACKS);
    const std::string book = Path("book.TEL");
    Write("book.TEL", Record("Kim", "1") + Record("Lee", "2") + Record("Park", "3"));
    std::filesystem::create_directory(Path("folder.TEL"));
    ASSERT_EQ(::mkfifo(Path("pipe.TEL").c_str(), 0600), 0);
    std::string csv = "name,home\n";
    for (char last = 'A'; last < 'A' + 12; ++last)
        csv += std::string("N") + last + ",\xf0\x9f\x93\x9e 031\n";  // no code page holds it
    const std::string many = Write("many.csv", csv);
    const std::string blocked = Write("plain-file", "") + "/registry";
    std::string store;
    {
        ScopedEnv elsewhere("KIVO_REGISTRY_DIR", blocked);
        store = kivo::win::registry::StoreFile(RegistryRoot::CurrentUser);
    }
    const std::string noFile = std::strerror(ENOENT);
    const std::string io = std::strerror(EIO);
    const std::string folder = std::strerror(EISDIR);
    const std::string notFolder = std::strerror(ENOTDIR);
    std::string names;
    for (char last = 'A'; last < 'A' + 10; ++last)
        names += std::string("\r\nN") + last;

    auto open = [&](const std::string& path, std::optional<size_t> failAfter) {
        dialogs_.AnswerOpen({path});
        std::optional<ScopedReadFault> fault;
        if (failAfter)
            fault.emplace(*failAfter, EIO);
        Form().Open1Click();
    };
    auto saveAs = [&](const std::string& path) {
        Add("Kim");
        dialogs_.AnswerSave(path);
        Form().Save1Click();
    };
    struct Case {
        const char* what;
        std::function<void()> run;
        std::string english;
        std::string korean;
    };
    const Case cases[] = {
        {"a file that cannot be opened", [&] { open(Path("missing.TEL"), std::nullopt); },
         "Cannot open \"" + Path("missing.TEL") + "\".\r\n" + noFile,
         "\"" + Path("missing.TEL") + "\" 파일을 열 수 없습니다.\r\n" + noFile},
        {"a pipe", [&] { open(Path("pipe.TEL"), std::nullopt); },
         "Cannot read \"" + Path("pipe.TEL") + "\".\r\nIt is not a file.",
         "\"" + Path("pipe.TEL") + "\" 파일을 읽을 수 없습니다.\r\n파일이 아닙니다."},
        {"a read failing after one entry", [&] { open(book, kRecordSize + 5); },
         "Cannot read \"" + book + "\".\r\n" + io + "\r\nOnly the first entry could be read.",
         "\"" + book + "\" 파일을 읽을 수 없습니다.\r\n" + io + "\r\n첫 번째 항목만 읽었습니다."},
        {"a read failing after two entries", [&] { open(book, 2 * kRecordSize + 5); },
         "Cannot read \"" + book + "\".\r\n" + io + "\r\nOnly the first 2 entries could be read.",
         "\"" + book + "\" 파일을 읽을 수 없습니다.\r\n" + io + "\r\n처음 2개 항목만 읽었습니다."},
        {"a file that cannot be created", [&] { saveAs(Path("gone/book.TEL")); },
         "Cannot create \"" + Path("gone/book.TEL") + "\".\r\n" + noFile,
         "\"" + Path("gone/book.TEL") + "\" 파일을 만들 수 없습니다.\r\n" + noFile},
        {"a folder to save to", [&] { saveAs(Path("folder.TEL")); },
         "Cannot write \"" + Path("folder.TEL") + "\".\r\n" + folder,
         "\"" + Path("folder.TEL") + "\" 파일에 쓸 수 없습니다.\r\n" + folder},
        {"a window place that cannot be stored",
         [&] {
             Form().show();
             ScopedEnv elsewhere("KIVO_REGISTRY_DIR", blocked);
             EXPECT_TRUE(Form().close());
         },
         "Cannot store the window's place in \"" + store + "\".\r\n" + notFolder,
         "창 위치를 \"" + store + "\"에 저장할 수 없습니다.\r\n" + notFolder},
        {"characters the code page cannot hold",
         [&] {
             dialogs_.AnswerOpen({many});
             Form().FromCSVFile1Click();
             dialogs_.AnswerSave(Path("many.TEL"));
             Form().Save1Click();
         },
         "\"" + Path("many.TEL") +
             "\" was saved, but the system's character set cannot hold every character of these "
             "entries; \"_\" stands in the file for each one it lacks:\r\n" +
             names + "\r\n... and 2 more",
         "\"" + Path("many.TEL") +
             "\" 파일을 저장했습니다. 다만 다음 항목에는 시스템 문자 집합에 없는 문자가 있어 "
             "해당 문자를 \"_\"로 바꾸어 저장했습니다.\r\n" +
             names + "\r\n... 외 2개 항목"},
    };
    for (const char* lang : {"0409", "0412"}) {
        ScopedEnv system("KIVO_LANGID", lang);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(lang) + ": " + c.what);
            DropForm();
            const size_t before = boxes_.shown().size();
            c.run();
            auto told =
                std::find_if(boxes_.shown().begin() + static_cast<std::ptrdiff_t>(before),
                             boxes_.shown().end(), [](const MessageBoxRequest& box) {
                                 return box.flags == MB_ICONERROR || box.flags == MB_ICONWARNING;
                             });
            ASSERT_NE(told, boxes_.shown().end());
            EXPECT_EQ(told->text, std::string(lang) == "0409" ? c.english : c.korean);
        }
    }
}

TEST_F(AddressForm, KoreanSystemTakesTheKoreanPack) {
    ScopedEnv korean("KIVO_LANGID", "0412");
    EXPECT_EQ(Form().File1->title().toStdString(), "\xed\x8c\x8c\xec\x9d\xbc(&F)");
    EXPECT_EQ(Form()
                  .PhoneListView->model()
                  .headerData(0, Qt::Horizontal, Qt::DisplayRole)
                  .toString()
                  .toStdString(),
              "\xec\x9d\xb4\xeb\xa6\x84");
    EXPECT_EQ(Form().AddButton->text().toStdString(), "");  // missing from the pack: empty
}

}  // namespace
}  // namespace kivo::phonebook::testing
