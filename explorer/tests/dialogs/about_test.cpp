// The about box and splash, with an image pack made per test and the real link libraries.
#include "drivers/test_hooks.h"
#include "explorer/AboutRtn.h"
#include "explorer/LPTCtrl.h"
#include "explorer/tests/dialogs/dialog_test_support.h"
#include "platform/win/listview.h"
#include "platform/win/process.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

namespace kivo::dialogs {
namespace {

using namespace kivo::dialogs::testing;

constexpr QRgb kEnglishColour = 0xff2040a0;
constexpr QRgb kKoreanColour = 0xffa04020;

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "artpack");
        WriteLogo("ENLOGO", kEnglishColour);
        WriteLogo("KRLOGO", kKoreanColour);
    }
    void WriteLogo(const char* name, QRgb colour) {
        QImage logo(429, 299, QImage::Format_RGB32);
        logo.fill(colour);
        const auto path = folder_ / "artpack" / (std::string(name) + ".bmp");
        ASSERT_TRUE(logo.save(QString::fromStdString(path.string()), "BMP"));
    }
    static void Move(QWidget* widget, QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, widget->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    static void Click(QWidget* widget, QPoint point) {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(widget, &event);
        }
    }
    static bool LineShown(QLabel* caption, QLabel* value) {
        return caption->isVisible() && value->isVisible();
    }

    TempDir folder_;
    ScopedEnv packs_{"KIVO_PACK_DIR", folder_.path().string()};
    ScopedEnv lang_{"KIVO_LANGID", "0409"};
};

TEST_F(AboutBox, TheSplashShowsTheLogoAlone) {
    TAboutFrm about;
    about.ShowSplash();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.size(), QSize(429, 299));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    for (QLabel* label : {about.Label1, about.SoftwareLabel, about.Label2, about.DateLabel,
                          about.Label3, about.FirmWareLabel})
        EXPECT_FALSE(label->isVisible()) << label->text().toStdString();
    EXPECT_TRUE(about.labelKivoURL->text().isEmpty());
    const QRect screen = about.screen()->geometry();
    EXPECT_EQ(about.pos(), QPoint(screen.left() + (screen.width() - 429) / 2,
                                  screen.top() + (screen.height() - 299) / 2));
    // A click on the splash hides it.
    Click(about.imgAbout, {10, 10});
    EXPECT_FALSE(about.isVisible());
}

struct LanguageCase {
    const char* langId;
    QRgb colour;
    int hotSpotLeft;
    int hotSpotWidth;
};
void PrintTo(const LanguageCase& c, std::ostream* os) {
    *os << c.langId;
}

class AboutLanguage : public AboutBox, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(AboutLanguage, TheLogoAndTheHotSpotFollowTheLanguage) {
    ScopedEnv lang("KIVO_LANGID", GetParam().langId);
    TAboutFrm about;
    const QImage shown = about.imgAbout->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(429, 299));
    EXPECT_EQ(shown.pixel(200, 100), GetParam().colour);
    EXPECT_EQ(about.labelKivoURL->geometry(),
              QRect(GetParam().hotSpotLeft, 185, GetParam().hotSpotWidth, 17));
    // The hot spot ends at x = 400 in both logos.
    EXPECT_EQ(about.labelKivoURL->geometry().right(), 399);
}

struct AddressCase {
    const char* langId;
    const char* pack;
    UINT menuItem;
};
void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.langId;
}

class AboutAddress : public AboutBox, public ::testing::WithParamInterface<AddressCase> {};

// The hot spot opens a page that the Help menu of the same language links too.
TEST_P(AboutAddress, IsAPageOfTheHelpMenu) {
    ScopedEnv lang("KIVO_LANGID", GetParam().langId);
    TAboutFrm about;
    ScopedEnv packs("KIVO_PACK_DIR", KIVO_SHIPPED_PACKS);
    const ResourceLibrary strings(GetParam().pack);
    ASSERT_TRUE(strings);
    EXPECT_EQ(about.WebAddress().toStdString(), strings.String(GetParam().menuItem));
}

INSTANTIATE_TEST_SUITE_P(Languages, AboutAddress,
                         ::testing::Values(AddressCase{"0409", "textpacken.DLL", 10050},
                                           AddressCase{"0412", "textpackkr.DLL", 10052}),
                         [](const auto& info) {
                             return std::string("LangId") + info.param.langId;
                         });

INSTANTIATE_TEST_SUITE_P(Languages, AboutLanguage,
                         ::testing::Values(LanguageCase{"0409", kEnglishColour, 207, 193},
                                           LanguageCase{"0412", kKoreanColour, 271, 129},
                                           LanguageCase{"0804", kEnglishColour, 207, 193}),
                         [](const auto& info) {
                             return std::string("LangId") + info.param.langId;
                         });

TEST_F(AboutBox, AMissingLogoStopsTheCreationWithItsName) {
    std::filesystem::remove(folder_ / "artpack" / "KRLOGO.bmp");
    {
        ScopedEnv lang("KIVO_LANGID", "0412");
        try {
            TAboutFrm about;
            ADD_FAILURE() << "created without its logo";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Resource KRLOGO not found");
        }
    }
    // A logo that is no bitmap counts as missing.
    std::ofstream(folder_ / "artpack" / "ENLOGO.bmp") << "not a bitmap";
    try {
        TAboutFrm about;
        ADD_FAILURE() << "created with a broken logo";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Resource ENLOGO not found");
    }
}

TEST_F(AboutBox, TheLineUnderTheAddressShowsOnlyWhileThePointerIsOverIt) {
    TAboutFrm about;
    about.show();
    Move(about.labelKivoURL, {5, 5});
    EXPECT_EQ(about.labelKivoURL->text(), QString(24, '_'));
    Move(about.labelKivoURL, {20, 6});
    EXPECT_EQ(about.labelKivoURL->text(), QString(24, '_'));
    Move(about.imgAbout, {30, 30});
    EXPECT_TRUE(about.labelKivoURL->text().isEmpty());
    EXPECT_EQ(about.labelKivoURL->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(about.labelKivoURL->palette().color(QPalette::WindowText), QColor(255, 255, 128));
}

TEST_F(AboutBox, AClickOnTheHotSpotOpensTheAddressFirstThenCloses) {
    std::vector<ProcessLaunch> launched;
    SetLaunchHook([&](const ProcessLaunch& launch) { launched.push_back(launch); });
    TAboutFrm about;
    WhenModal([&](QDialog*) {
        Click(about.labelKivoURL, {5, 5});
        EXPECT_EQ(launched.size(), 1u);
    });
    about.ShowAbout("");
    SetLaunchHook(nullptr);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].argument, about.WebAddress().toStdString());
    EXPECT_FALSE(about.isVisible());
}

TEST_F(AboutBox, EachLineHidesWithAnEmptyText) {
    TAboutFrm about;
    about.show();
    about.SetFirmwareVersion("01.20");
    EXPECT_TRUE(LineShown(about.Label3, about.FirmWareLabel));
    EXPECT_EQ(about.FirmWareLabel->text(), "01.20");
    // One blank is a text: the line shows with a blank value.
    about.SetFirmwareVersion(" ");
    EXPECT_TRUE(LineShown(about.Label3, about.FirmWareLabel));
    about.SetFirmwareVersion("");
    EXPECT_FALSE(about.Label3->isVisible());
    EXPECT_FALSE(about.FirmWareLabel->isVisible());
    EXPECT_TRUE(about.FirmWareLabel->text().isEmpty());
    // Captions end where the values begin, less the gap.
    about.SetSoftwareVersion("1.7");
    EXPECT_EQ(about.Label1->geometry().right(), 258);
    EXPECT_EQ(about.SoftwareLabel->x(), 267);
}

// The firmware line comes from the link library's version text, empty until the player is read.
class AboutWithPlayer : public AboutBox {
protected:
    void SetUp() override {
        AboutBox::SetUp();
        ASSERT_EQ(kivo::explorer::lptctrl::Selector().Bind(), "");
        kivo::explorer::lptctrl::Selector().SetPortKind(0);
        PX_TestReset();
        char reply[64];
        ASSERT_EQ(PX_TestControl("version 0 1 2 0", reply, sizeof reply), 0u);
    }

    // About1Click: the box shown modally until a click on the picture closes it.
    void ShowAbout(TAboutFrm& about, std::function<void(TAboutFrm&)> check) {
        WhenModal([&about, check = std::move(check)](QDialog* dialog) {
            ASSERT_EQ(dialog, &about);
            check(about);
            Click(about.imgAbout, {10, 10});
        });
        about.ShowAbout(kivo::explorer::lptctrl::Selector().PX_GetPlayerVersion());
    }
};

TEST_F(AboutWithPlayer, BeforeAndAfterAListing) {
    TAboutFrm about;
    ShowAbout(about, [](TAboutFrm& shown) {
        EXPECT_TRUE(LineShown(shown.Label1, shown.SoftwareLabel));
        EXPECT_EQ(shown.SoftwareLabel->text(), "1.7");
        EXPECT_TRUE(LineShown(shown.Label2, shown.DateLabel));
        EXPECT_EQ(shown.DateLabel->text(), "20010920");
        EXPECT_FALSE(shown.Label3->isVisible());
    });
    EXPECT_FALSE(about.isVisible());

    ASSERT_EQ(kivo::explorer::lptctrl::Selector().PX_MemoryInfo(), 0);
    ListViewControl listing;
    ASSERT_EQ(kivo::explorer::lptctrl::Selector().PX_GetFileList(listing.handle()), 0);
    ShowAbout(about, [](TAboutFrm& shown) {
        EXPECT_TRUE(LineShown(shown.Label3, shown.FirmWareLabel));
        EXPECT_EQ(shown.FirmWareLabel->text(), "01.20");
    });

    // Without a link the version is empty and the line hides again.
    kivo::explorer::lptctrl::Selector().SetPortKind(2);
    ShowAbout(about, [](TAboutFrm& shown) { EXPECT_FALSE(shown.FirmWareLabel->isVisible()); });
    kivo::explorer::lptctrl::Selector().SetPortKind(0);
}

}  // namespace
}  // namespace kivo::dialogs
