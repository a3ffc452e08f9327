#include "platform/ui/dialogs.h"
#include "platform/ui/testing/scripted_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QTimer>

#include <gtest/gtest.h>

using kivo::ui::Dialogs;
using kivo::ui::FileDialogRequest;
using kivo::ui::FontChoice;

TEST(CommonDialogs, ScriptedOnesRecordRequestsAndCancelWhenNothingIsQueued) {
    kivo::ui::ScriptedDialogs script;
    script.AnswerOpen({"/music/b.mp3", "/music/a.mp3"});
    FileDialogRequest request;
    request.folder = "/music";
    request.multiSelect = true;
    request.filters = {{"Audio Files (*.mp3)", "*.mp3;"}, {"All Files (*.*)", "*.*"}};
    EXPECT_EQ(Dialogs().OpenFiles(request),
              (std::vector<std::string>{"/music/b.mp3", "/music/a.mp3"}));
    EXPECT_TRUE(Dialogs().OpenFiles(request).empty());
    EXPECT_FALSE(Dialogs().SaveFile(request).has_value());
    EXPECT_FALSE(Dialogs().ChooseFont(nullptr, {"Arial", 0, 9}).has_value());
    ASSERT_EQ(script.openRequests().size(), 2u);
    EXPECT_EQ(script.openRequests()[0].filters[1].pattern, "*.*");
    EXPECT_EQ(script.fontRequests()[0].name, "Arial");
}

TEST(CommonDialogs, WithoutAnyInstalledEveryDialogIsCancelled) {
    kivo::ui::SetCommonDialogs(nullptr);
    EXPECT_TRUE(Dialogs().OpenFiles({}).empty());
    EXPECT_FALSE(Dialogs().ChooseFont(nullptr, {}).has_value());
}

TEST(QtDialogs, OpenOffersTheFilterGroupsAndMatchesPatternsInAnyCase) {
    kivo::ui::InstallQtDialogs();
    FileDialogRequest request;
    request.folder = "/tmp";
    request.multiSelect = true;
    request.filterIndex = 2;
    request.filters = {{"Audio Files (*.sm3;*.mp3)", "*.sm3;*.mp3;"},
                       {"Telephone File (*.tel)", "*.tel"},
                       {"All Files (*.*)", "*.*"}};
    QStringList filters;
    QString selected;
    QFileDialog::FileMode mode{};
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        selected = dialog->selectedNameFilter();
        mode = dialog->fileMode();
        dialog->reject();
    });
    EXPECT_TRUE(Dialogs().OpenFiles(request).empty());
    kivo::ui::SetCommonDialogs(nullptr);
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0], "Audio Files (*.sm3;*.mp3) (*.[sS][mM]3 *.[mM][pP]3)");
    EXPECT_EQ(filters[2], "All Files (*.*) (*)");
    // The group chosen by its 1-based index, shown without Qt's own pattern list.
    EXPECT_EQ(selected.toStdString(), "Telephone File (*.tel)");
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    // The pattern that Qt applies matches names in either case, as the platform's did.
    for (const char* name : {"song.mp3", "SONG.MP3", "Song.Mp3"})
        EXPECT_TRUE(QDir::match(QStringLiteral("*.[mM][pP]3"), QString::fromLatin1(name))) << name;
}

TEST(QtDialogs, FontDialogGivesNameCharacterSetAndSize) {
    kivo::ui::InstallQtDialogs();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QFont font(QStringLiteral("NanumGothic"), 12);
        font.setBold(true);
        dialog->setCurrentFont(font);
        dialog->accept();
    });
    auto chosen = Dialogs().ChooseFont(nullptr, {"Liberation Sans", 0, 9});
    kivo::ui::SetCommonDialogs(nullptr);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->name, "NanumGothic");
    EXPECT_EQ(chosen->charset, 129);
    EXPECT_EQ(chosen->pointSize, 12);
    EXPECT_EQ(kivo::ui::CharsetOfFamily(QStringLiteral("Liberation Sans")), 0);
}
