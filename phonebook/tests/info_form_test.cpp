#include "phonebook/InfoUnit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace kivo::phonebook {
namespace {

// Shows the dialog modally, runs `inside` while it is up and gives the dialog's result.
int RunModal(TInfoForm& form, std::function<void()> inside) {
    QTimer::singleShot(0, [&form, inside] {
        form.activateWindow();
        inside();
        if (form.isVisible())
            form.done(-1);  // what was scripted did not close it
    });
    return form.exec();
}

QWidget* Focused(TInfoForm& form) {
    return form.focusWidget();
}

TEST(InfoForm, EnterMovesTheFocusInTabOrderAndNeverCloses) {
    TInfoForm form(nullptr);
    std::vector<QWidget*> seen;
    int result = RunModal(form, [&] {
        form.NameEdit->setFocus();
        for (int i = 0; i < 5; ++i) {
            seen.push_back(Focused(form));
            QTest::keyClick(Focused(form), Qt::Key_Return);
        }
        seen.push_back(Focused(form));
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(seen, (std::vector<QWidget*>{form.NameEdit, form.HomePhoneEdit, form.OfficePhoneEdit,
                                           form.OKButton, form.CancelButton, form.NameEdit}));
}

// The style draws a button's focus mark only for a focus that keys moved.
bool ShowsFocusMark(QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    return (option.state & QStyle::State_HasFocus) &&
           (option.state & QStyle::State_KeyboardFocusChange);
}

TEST(InfoForm, TheButtonThatEnterOrTabReachesShowsItsFocusMark) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab}) {
        TInfoForm form(nullptr);
        bool marked = false;
        RunModal(form, [&] {
            QApplication::setActiveWindow(&form);  // the offscreen platform activates nothing
            form.NameEdit->setFocus();
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(Focused(form), key);
            EXPECT_EQ(Focused(form), form.OKButton);
            marked = ShowsFocusMark(form.OKButton);
        });
        EXPECT_TRUE(marked) << key;
    }
}

TEST(InfoForm, NameTakesAtMost26Characters) {
    TInfoForm form(nullptr);
    RunModal(form, [&] {
        form.NameEdit->setFocus();
        QTest::keyClicks(form.NameEdit, QString(26, 'a') + "bc");
        QTest::keyClicks(form.HomePhoneEdit, QString(40, '1'));
    });
    EXPECT_EQ(form.Name(), std::string(26, 'a'));
    EXPECT_EQ(form.HomePhone(), std::string(40, '1'));
    form.SetEntryFields(std::string(13, 'x') + "\xed\x95\x9c", "", "");
    EXPECT_EQ(form.NameEdit->text().size(), 14);
}

// The limit is one of typing, as the system's edit limit is: a longer name that Modify sets
// stays whole, typing adds nothing to it until it is shorter than the limit.
TEST(InfoForm, ALongerNameSetByModifyStaysWhole) {
    TInfoForm form(nullptr);
    const std::string imported(29, 'n');
    form.SetEntryFields(imported, "010", "");
    EXPECT_EQ(form.Name(), imported);
    RunModal(form, [&] {
        form.HomePhoneEdit->setFocus();
        QTest::keyClicks(form.HomePhoneEdit, "9");
        form.NameEdit->setFocus();
        form.NameEdit->end(false);
        QTest::keyClicks(form.NameEdit, "x");
    });
    EXPECT_EQ(form.Name(), imported);
    EXPECT_EQ(form.HomePhone(), "0109");
    RunModal(form, [&] {
        form.NameEdit->setFocus();
        form.NameEdit->end(false);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(form.NameEdit, Qt::Key_Backspace);
        QTest::keyClicks(form.NameEdit, "abc");
    });
    EXPECT_EQ(form.Name(), std::string(25, 'n') + "a");
    // A shorter name set afterwards gets the limit back.
    form.SetEntryFields("Kim", "", "");
    RunModal(form, [&] {
        form.NameEdit->setFocus();
        form.NameEdit->end(false);
        QTest::keyClicks(form.NameEdit, QString(30, 'k'));
    });
    EXPECT_EQ(form.Name(), "Kim" + std::string(23, 'k'));
}

TEST(InfoForm, OkClosesWithOkEvenWhenEmpty) {
    TInfoForm form(nullptr);
    EXPECT_EQ(RunModal(form, [&] { form.OKButton->click(); }), QDialog::Accepted);
    EXPECT_EQ(form.Name(), "");
}

TEST(InfoForm, CancelEscAndTheCloseBoxCancel) {
    const std::pair<const char*, std::function<void(TInfoForm&)>> ways[] = {
        {"Cancel", [](TInfoForm& f) { f.CancelButton->click(); }},
        {"Esc", [](TInfoForm& f) { QTest::keyClick(f.HomePhoneEdit, Qt::Key_Escape); }},
        {"close box", [](TInfoForm& f) { f.close(); }},
    };
    for (const auto& [what, how] : ways) {
        TInfoForm form(nullptr);
        form.SetEntryFields("Kim", "010", "02");
        EXPECT_EQ(RunModal(form, [&form, &how] { how(form); }), QDialog::Rejected) << what;
        EXPECT_EQ(form.HomePhone(), "010");
    }
}

TEST(InfoForm, EditsAskForTheKoreanInputMethod) {
    TInfoForm form(nullptr);
    for (QLineEdit* edit : {form.NameEdit, form.HomePhoneEdit, form.OfficePhoneEdit})
        EXPECT_EQ(edit->inputMethodQuery(Qt::ImPreferredLanguage).toString(), "ko_KR");
}

}  // namespace
}  // namespace kivo::phonebook
