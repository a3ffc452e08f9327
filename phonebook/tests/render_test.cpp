// Both windows in both languages with the real packs: every text fits its place. With
// KIVO_RENDER_DIR set, the pictures are written there for people to look at.
#include "phonebook/FileAccess.h"
#include "phonebook/tests/form_fixture.h"
#include "platform/ui/application.h"
#include "platform/win/registry.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMessageBox>
#include <QTest>
#include <QTreeView>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kivo::phonebook::testing {
namespace {

class Rendering : public FormTest, public ::testing::WithParamInterface<const char*> {
protected:
    Rendering() : packs_("KIVO_PACK_DIR", KIVO_SOURCE_PACKS), lang_("KIVO_LANGID", GetParam()) {}

    void Save(QWidget& window, const std::string& name) {
        if (const char* dir = std::getenv("KIVO_RENDER_DIR"))
            window.grab().save(
                QString::fromStdString(std::string(dir) + "/" + name + "-" + GetParam() + ".png"));
    }

    // Runs `action` with the real message boxes: the first box it shows is saved as `name` and
    // closed with OK. Its text.
    QString FirstBox(const std::string& name, const std::function<void()>& action) {
        ui::InstallQtMessageBoxes();  // the real box, not the fixture's script
        QString text;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            Save(*box, name);
            box->button(QMessageBox::Ok)->click();
        });
        action();
        return text;
    }

    ScopedEnv packs_;
    ScopedEnv lang_;
};

bool Fits(const QWidget& widget, const QString& text, int room) {
    QString shown = text;
    shown.remove('&');
    return QFontMetrics(widget.font()).horizontalAdvance(shown) <= room;
}

TEST_P(Rendering, MainWindowShowsEveryTextWhole) {
    Write("book.TEL", std::string("\xb1\xe8\xc3\xb6\xbc\xf6", 6) + std::string(24, '\0') +
                          "010-1234-5678" + std::string(16, '\0') + "02-555-0101" +
                          std::string(18, '\0') + "Lee Ann" + std::string(23, '\0') +
                          "010-9876-5432" + std::string(16 + 29, '\0'));
    Form();
    {
        ScopedEnv korean("KIVO_LANGID", "0412");  // the book's names are code page 949
        dialogs_.AnswerOpen({Path("book.TEL")});
        Form().Open1Click();
    }
    Form().show();
    Form().PhoneListView->SetRowSelected(1, true);
    for (QToolButton* b : {Form().AddButton, Form().ModifyButton, Form().DeleteButton}) {
        EXPECT_FALSE(b->text().isEmpty());
        EXPECT_TRUE(Fits(*b, b->text(), b->width() - 4)) << b->text().toStdString();
    }
    auto* report = dynamic_cast<QTreeView*>(Form().PhoneListView->currentView());
    ASSERT_NE(report, nullptr);
    for (int c = 0; c < 3; ++c) {
        QString title =
            Form().PhoneListView->model().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_TRUE(Fits(*report->header(), title, report->columnWidth(c) - 8))
            << title.toStdString();
    }
    QApplication::processEvents();
    Save(Form(), "dialbook");
    Form().resize(900, Form().height());
    QApplication::processEvents();
    Save(Form(), "dialbook-wide");
    for (QMenu* menu : {Form().File1, Form().Import1, Form().Edit1}) {
        menu->popup(QPoint(0, 0));
        QApplication::processEvents();
        for (QAction* item : menu->actions()) {
            if (item->isVisible() && !item->isSeparator()) {
                EXPECT_FALSE(item->text().isEmpty()) << menu->objectName().toStdString();
            }
        }
        Save(*menu, "dialbook-" + menu->objectName().toStdString());
        menu->hide();
    }
}

TEST_P(Rendering, EntryDialogShowsEveryTextWhole) {
    Form().show();
    ScriptInfoForm(
        [this](TInfoForm& f) {
            f.NameEdit->setText(QString::fromUtf8("\xea\xb9\x80\xec\xb2\xa0\xec\x88\x98"));
            f.HomePhoneEdit->setText("010-1234-5678");
            for (QLabel* l : {f.Label1, f.Label2, f.Label3}) {
                EXPECT_FALSE(l->text().isEmpty());
                EXPECT_TRUE(Fits(*l, l->text(), l->width())) << l->text().toStdString();
            }
            for (QPushButton* b : {f.OKButton, f.CancelButton})
                EXPECT_TRUE(Fits(*b, b->text(), b->width() - 8)) << b->text().toStdString();
            QApplication::processEvents();
            Save(f, "dialbook-entry");
            QApplication::setActiveWindow(&f);
            f.NameEdit->setFocus();
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(f.focusWidget(), Qt::Key_Return);
            QApplication::processEvents();
            Save(f, "dialbook-entry-focus");
        },
        false);
    Form().AddButtonClick();
}

TEST_P(Rendering, QuestionBeforeChangesGoSpeaksTheLanguage) {
    ui::InstallSystemTranslations();
    ui::InstallQtMessageBoxes();  // the real box, not the fixture's script
    Add("Kim");
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            buttons << b->text();
        Save(*box, "dialbook-question");
        box->button(QMessageBox::No)->click();
    });
    Form().New1Click();
    EXPECT_TRUE(Form().Entries().empty());
    EXPECT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons.contains("&Yes"), std::string(GetParam()) == "0409")
        << buttons.join(",").toStdString();
    ScopedEnv english("KIVO_LANGID", "0409");
    ui::InstallSystemTranslations();
}

// The warning after a save whose book lost characters: every name shown, the path whole.
TEST_P(Rendering, WarningAboutCharactersNotHeldShowsEveryName) {
    std::string path = Write("book.TEL", "");
    dialogs_.AnswerOpen({path});
    Form().Open1Click();                  // saved to its file then, without a dialog or a message
    Add("Park", "\xf0\x9f\x93\x9e 031");  // a picture of a receiver: no code page holds it
    Add("\xea\xb9\x80\xec\xb2\xa0\xec\x88\x98", "010-1234-5678");
    QString text = FirstBox("dialbook-not-held", [this] { Form().Save1Click(); });
    EXPECT_TRUE(text.startsWith(QString::fromStdString("\"" + path + "\" "))) << text.toStdString();
    EXPECT_TRUE(text.contains("\nPark")) << text.toStdString();
    EXPECT_EQ(text.contains(QString::fromUtf8("\n\xea\xb9\x80")), std::string(GetParam()) == "0409")
        << text.toStdString();
}

// The error after a read that failed partway: the file, the reason and what was read, one to a
// line.
TEST_P(Rendering, ErrorAfterAPartialReadNamesTheFileAndWhatWasRead) {
    std::string path = Write("book.TEL", std::string(3 * kRecordSize, 'N'));
    dialogs_.AnswerOpen({path});
    QString text = FirstBox("dialbook-read-partly", [this] {
        ScopedReadFault fault(2 * kRecordSize + 5, EIO);
        Form().Open1Click();
    });
    QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 3) << text.toStdString();
    EXPECT_TRUE(lines[0].contains(QString::fromStdString("\"" + path + "\"")))
        << text.toStdString();
    EXPECT_EQ(lines[1].toStdString(), std::strerror(EIO));
    EXPECT_TRUE(lines[2].contains('2')) << text.toStdString();
}

// The warning when the window's place cannot be stored: the settings file and the reason.
TEST_P(Rendering, WarningAboutAPlaceNotStoredNamesTheSettingsFile) {
    Form().show();
    ScopedEnv elsewhere("KIVO_REGISTRY_DIR", Write("plain-file", "") + "/registry");
    std::string store = kivo::win::registry::StoreFile(RegistryRoot::CurrentUser);
    QString text = FirstBox("dialbook-place-not-stored", [this] { Form().close(); });
    QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 2) << text.toStdString();
    EXPECT_TRUE(lines[0].contains(QString::fromStdString("\"" + store + "\"")))
        << text.toStdString();
    EXPECT_EQ(lines[1].toStdString(), std::strerror(ENOTDIR));
}

INSTANTIATE_TEST_SUITE_P(Languages, Rendering, ::testing::Values("0409", "0412"));

}  // namespace
}  // namespace kivo::phonebook::testing
