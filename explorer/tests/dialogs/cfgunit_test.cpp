// The preferences dialog against a registry of its own per test.
#include "explorer/CfgUnit.h"
#include "explorer/SettingsStore.h"
#include "explorer/tests/dialogs/dialog_test_support.h"
#include "platform/win/file_size_limit.h"
#include "platform/win/registry.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

namespace kivo::dialogs {
namespace {

using namespace kivo::dialogs::testing;

std::optional<std::string> Stored(const char* name) {
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, kivo::explorer::settings::kKey,
                                     kivo::explorer::settings::kSection, name);
}

void Store(const char* name, const char* value) {
    ASSERT_TRUE(kivo::explorer::settings::Changes().Text(name, value).Write());
}

class Preferences : public ::testing::Test {
protected:
    // Opens the dialog through its menu command, runs `step` in it and gives the saved flag.
    bool Run(std::function<void(TConfigForm&)> step) {
        WhenModal([step = std::move(step)](QDialog* dialog) {
            auto* form = qobject_cast<TConfigForm*>(dialog);
            ASSERT_NE(form, nullptr);
            step(*form);
        });
        return TConfigForm::Execute(&main_, strings_.handle());
    }

    std::string StoreText() const {
        std::ifstream in(folder_.path() / "HKEY_CURRENT_USER.reg", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempDir folder_;
    ScopedEnv registry_{"KIVO_REGISTRY_DIR", folder_.path().string()};
    ScopedEnv lang_{"KIVO_LANGID", "0409"};
    ResourceLibrary strings_ = TestStrings();
    MainWindowStandIn main_;
};

TEST_F(Preferences, FirstStartOnAnEnglishSystem) {
    EXPECT_TRUE(Run([](TConfigForm& form) {
        EXPECT_EQ(form.windowTitle(), "T10141");
        EXPECT_EQ(form.ECPCheckBox->text(), "T10142");
        EXPECT_EQ(form.SC4CheckBox->text(), "T10143");
        EXPECT_EQ(form.OKButton->text(), "T10144");
        EXPECT_EQ(form.CancelButton->text(), "T10145");
        EXPECT_EQ(form.ApplyButton->text(), "T10146");
        EXPECT_FALSE(form.ECPCheckBox->isChecked());
        EXPECT_EQ(form.LPTRadioGroup->ItemIndex(), 0);
        EXPECT_TRUE(form.SC4CheckBox->isChecked());
        EXPECT_FALSE(form.LanguageRadioGroup->isVisible());
        EXPECT_FALSE(form.LanguageRadioGroup->isEnabled());
        EXPECT_FALSE(form.GroupBox1->isVisible());
        EXPECT_EQ(form.OKButton->y(), 144);
        EXPECT_EQ(form.ApplyButton->geometry(), QRect(232, 144, 75, 25));
        EXPECT_EQ(form.size(), QSize(313, 179));
        EXPECT_FALSE(form.ApplyButton->isEnabled());
        EXPECT_EQ(form.CheckTimeEdit->text(), "60");
        // The dialog takes the main window's font name and keeps its own size.
        EXPECT_EQ(form.font().family(), "Liberation Serif");
        EXPECT_EQ(form.font().pixelSize(), 12);
        // Centred over the main window: 100 + (596 - 313) / 2, 50 + (500 - 179) / 2.
        EXPECT_EQ(form.pos(), QPoint(241, 210));
        form.OKButton->click();
    }));
    const std::map<std::string, std::string> written = {{"CheckTime", "60"}, {"CheckOnStart", "0"},
                                                        {"AutoCheck", "0"},  {"ECPEmulation", "0"},
                                                        {"PORT", "0"},       {"SC4ToWAV", "1"}};
    for (const auto& [name, value] : written)
        EXPECT_EQ(Stored(name.c_str()), value) << name;
    EXPECT_EQ(Stored("LangID"), std::nullopt);
}

struct ChineseCase {
    const char* langId;
    int selected;
};
void PrintTo(const ChineseCase& c, std::ostream* os) {
    *os << c.langId;
}

class ChineseSystem : public Preferences, public ::testing::WithParamInterface<ChineseCase> {};

TEST_P(ChineseSystem, TheSubLanguagePicksTheDefaultCodePage) {
    ScopedEnv lang("KIVO_LANGID", GetParam().langId);
    EXPECT_TRUE(Run([](TConfigForm& form) {
        EXPECT_TRUE(form.LanguageRadioGroup->isVisible());
        EXPECT_EQ(form.LanguageRadioGroup->ItemIndex(), GetParam().selected);
        EXPECT_EQ(form.OKButton->y(), 192);
        EXPECT_EQ(form.size(), QSize(313, 227));
        EXPECT_FALSE(form.ApplyButton->isEnabled());
        form.OKButton->click();
    }));
    EXPECT_EQ(Stored("LangID"), std::to_string(GetParam().selected));
}

// Traditional for sub-language 1, Simplified for 2 and any other.
INSTANTIATE_TEST_SUITE_P(SubLanguages, ChineseSystem,
                         ::testing::Values(ChineseCase{"0404", 1}, ChineseCase{"0804", 0},
                                           ChineseCase{"0C04", 0}),
                         [](const auto& info) {
                             return std::string("LangId") + info.param.langId;
                         });

struct ClampCase {
    const char* stored;
    int shown;
    const char* saved;
};
void PrintTo(const ClampCase& c, std::ostream* os) {
    *os << '"' << c.stored << '"';
}

class StoredPort : public Preferences, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(StoredPort, IsClampedToTheGroupAndSavedClamped) {
    Store("PORT", GetParam().stored);
    EXPECT_TRUE(Run([](TConfigForm& form) {
        EXPECT_EQ(form.LPTRadioGroup->ItemIndex(), GetParam().shown);
        EXPECT_EQ(form.LPTRadioGroup->Item(0)->isChecked(), GetParam().shown == 0);
        EXPECT_EQ(form.LPTRadioGroup->Item(1)->isChecked(), GetParam().shown == 1);
        form.ApplyButton->setEnabled(true);
        form.ApplyButton->click();
        form.CancelButton->click();
    }));
    EXPECT_EQ(Stored("PORT"), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredPort,
                         ::testing::Values(ClampCase{"1", 1, "1"}, ClampCase{"2", 1, "1"},
                                           ClampCase{"-5", -1, "-1"}, ClampCase{"-1", -1, "-1"},
                                           ClampCase{"abc", 0, "0"}, ClampCase{"", 0, "0"},
                                           ClampCase{"70000", 0, "0"}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(Preferences, AStoredLangIdIsClampedOnAChineseSystem) {
    ScopedEnv lang("KIVO_LANGID", "0804");
    Store("LangID", "9");
    EXPECT_TRUE(Run([](TConfigForm& form) {
        EXPECT_EQ(form.LanguageRadioGroup->ItemIndex(), 1);
        form.OKButton->click();
    }));
    EXPECT_EQ(Stored("LangID"), "1");
}

TEST_F(Preferences, LangIdIsNeverWrittenOnOtherSystems) {
    Store("LangID", "7");
    EXPECT_TRUE(Run([](TConfigForm& form) { form.OKButton->click(); }));
    EXPECT_EQ(Stored("LangID"), "7");
}

TEST_F(Preferences, TheHiddenCheckSettingsKeepTheirValues) {
    Store("CheckTime", "abc");
    Store("CheckOnStart", "1");
    Store("AutoCheck", "1");
    EXPECT_TRUE(Run([](TConfigForm& form) {
        EXPECT_EQ(form.CheckTimeEdit->text(), "abc");
        EXPECT_TRUE(form.StatusCheckBox->isChecked());
        EXPECT_TRUE(form.AutoCheckBox->isChecked());
        EXPECT_FALSE(form.CheckTimeEdit->isEnabled());
        form.OKButton->click();
    }));
    EXPECT_EQ(Stored("CheckTime"), "abc");
    EXPECT_EQ(Stored("CheckOnStart"), "1");
    EXPECT_EQ(Stored("AutoCheck"), "1");
}

TEST_F(Preferences, ChangesAreWrittenAndApplyFollowsThem) {
    EXPECT_TRUE(Run([](TConfigForm& form) {
        form.ECPCheckBox->click();
        EXPECT_TRUE(form.ApplyButton->isEnabled());
        form.LPTRadioGroup->Item(1)->click();
        form.SC4CheckBox->click();
        form.ApplyButton->click();
        EXPECT_FALSE(form.ApplyButton->isEnabled());
        EXPECT_TRUE(form.isVisible());
        form.CancelButton->click();
    }));
    EXPECT_EQ(Stored("ECPEmulation"), "1");
    EXPECT_EQ(Stored("PORT"), "1");
    EXPECT_EQ(Stored("SC4ToWAV"), "0");
}

// A disk with room for a line or two more: the save writes all of its values or none, never
// the port of this save beside the ECP mode of the last.
TEST_F(Preferences, ASaveThatCannotBeWrittenKeepsTheStoredValuesWhole) {
    Store("PORT", "0");
    const std::string before = StoreText();
    EXPECT_TRUE(Run([&before](TConfigForm& form) {
        form.ECPCheckBox->click();
        form.LPTRadioGroup->Item(1)->click();
        FileSizeLimit full(before.size() + 16);
        form.OKButton->click();
    }));
    EXPECT_EQ(StoreText(), before);
}

TEST_F(Preferences, CancelEscAndTheCloseBoxWithoutApplyWriteNothing) {
    for (int way = 0; way < 2; ++way) {
        EXPECT_FALSE(Run([way](TConfigForm& form) {
            form.ECPCheckBox->click();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&form, &escape);
            EXPECT_TRUE(form.isVisible()) << "Esc closed the dialog";
            if (way == 0)
                form.CancelButton->click();
            else
                form.close();
        }));
    }
    EXPECT_FALSE(kivo::win::registry::KeyExists(RegistryRoot::CurrentUser,
                                                kivo::explorer::settings::kKey,
                                                kivo::explorer::settings::kSection));
}

TEST_F(Preferences, EnterIsOk) {
    EXPECT_TRUE(Run([](TConfigForm& form) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
    }));
    EXPECT_EQ(Stored("PORT"), "0");
}

}  // namespace
}  // namespace kivo::dialogs
