#pragma once

#include "phonebook/AddUnit.h"
#include "phonebook/InfoUnit.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/win/application.h"
#include "platform/win/testing/scripted_msgbox.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace kivo::phonebook::testing {

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

// Texts of the packs that the windows read, marked so that a test sees which one was shown.
inline const char* const kEnglishPack =
    "10900\t&File\n10901\t&New\n10902\t&Open...\n10903\t&Save\n10904\t&Import\n"
    "10905\tFrom MS Address Book\n10906\tFrom WAB File...\n10907\tFrom CSV File...\n"
    "10908\tE&xit\n10909\t&Edit\n10910\t&Add\n10911\t&Modify\n10912\t&Delete\n10913\tAdd\n"
    "10914\tModify\n10915\tDelete\n10916\tAscend\n10917\tDescend\n10918\tName\n"
    "10919\tHome Phone Number\n10920\tOffice Phone Number\n10921\tOK\n10922\tCancel\n"
    "10924\tSaved as %1\n10925\tSave the changes?\n10926\tImported %1\n"
    "10927\tCannot open \"%1\".%2%3\n10928\tCannot read \"%1\".%2%3\n"
    "10929\tCannot create \"%1\".%2%3\n10930\tCannot write \"%1\".%2%3\n"
    "10931\tIt is not a file.\n10932\tOnly the first entry could be read.\n"
    "10933\tOnly the first %1 entries could be read.\n"
    "10934\tCannot store the window's place in \"%1\".%2%3\n"
    "10935\t\"%1\" was saved, but not every character:%2\n10936\t... and %1 more\n"
    "10937\tNo entries in %1\n10938\tIt is too large.\n";
inline const char* const kKoreanPack =
    "10900\t\xed\x8c\x8c\xec\x9d\xbc(&F)\n10918\t\xec\x9d\xb4\xeb\xa6\x84\n"
    "10935\t\"%1\" \xec\xa0\x80\xec\x9e\xa5:%2\n";

// Each test has its own registry, packs and folder, scripted boxes and dialogs, and a fresh
// main window.
class FormTest : public ::testing::Test {
protected:
    FormTest() {
        std::filesystem::create_directories(dir_.path() / "packs");
        std::ofstream(dir_.path() / "packs" / "textpacken.pack") << kEnglishPack;
        std::ofstream(dir_.path() / "packs" / "textpackkr.pack") << kKoreanPack;
        SetApplicationTitle("Telephone Book");
    }

    TAddressForm& Form() {
        if (!form_)
            form_ = std::make_unique<TAddressForm>();
        return *form_;
    }
    void DropForm() { form_.reset(); }

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
        return Path(name);
    }
    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Answers the next entry dialog: fills what `fill` sets, then presses OK or Cancel.
    void ScriptInfoForm(std::function<void(TInfoForm&)> fill, bool ok = true) {
        QTimer::singleShot(0, [this, fill, ok] {
            auto* form = dynamic_cast<TInfoForm*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            shownInfoForm_ = {form->NameEdit->text().toStdString(),
                              form->HomePhoneEdit->text().toStdString(),
                              form->OfficePhoneEdit->text().toStdString()};
            infoForm_ = form->frameGeometry();
            fill(*form);
            (ok ? form->OKButton : form->CancelButton)->click();
        });
    }
    void Add(const std::string& name, const std::string& home = "",
             const std::string& office = "") {
        ScriptInfoForm([=](TInfoForm& f) {
            f.NameEdit->setText(QString::fromStdString(name));
            f.HomePhoneEdit->setText(QString::fromStdString(home));
            f.OfficePhoneEdit->setText(QString::fromStdString(office));
        });
        Form().AddButtonClick();
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& e : Form().Entries())
            names.push_back(e.name);
        return names;
    }
    void Select(std::initializer_list<int> rows) {
        for (int row : rows)
            Form().PhoneListView->SetRowSelected(row, true);
    }
    std::string Status() { return Form().StatusBar->text().toStdString(); }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes_.shown())
            texts.push_back(box.text);
        return texts;
    }

    TempDir dir_;
    ScopedEnv registry_{"KIVO_REGISTRY_DIR", (dir_.path() / "registry").string()};
    ScopedEnv packs_{"KIVO_PACK_DIR", (dir_.path() / "packs").string()};
    ScopedEnv lang_{"KIVO_LANGID", "0409"};
    ScriptedMessageBoxes boxes_;
    ui::ScriptedDialogs dialogs_;
    Entry shownInfoForm_;
    QRect infoForm_;
    std::unique_ptr<TAddressForm> form_;
};

}  // namespace kivo::phonebook::testing
