// The dialogs beside the main window, reached through its menus, and the program's start with
// the about box as its splash.
#include "converter/wave.h"
#include "drivers/test_hooks.h"
#include "explorer/AboutRtn.h"
#include "explorer/CfgUnit.h"
#include "explorer/ListUnit.h"
#include "explorer/ProgramStart.h"
#include "explorer/WaveConv.h"
#include "explorer/tests/dialogs/dialog_test_support.h"
#include "explorer/tests/dialogs/player_config.h"
#include "explorer/tests/mainfrm/fixture.h"
#include "link/testing/sc4_recording.h"
#include "platform/win/registry.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <fstream>
#include <functional>

using namespace kivo::explorer;

using kivo::dialogs::testing::PlayerConfigDat;
using kivo::dialogs::testing::WhenModal;

namespace {

void Store(const char* name, const std::string& value) {
    kivo::win::registry::Write(RegistryRoot::CurrentUser, "Software\\MERVOLDQUILL", "kivo Explorer",
                               name, value);
}

std::optional<std::string> Stored(const char* name) {
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, "Software\\MERVOLDQUILL",
                                     "kivo Explorer", name);
}

// Counts the paints of every about box, its children included, from its creation on.
class AboutPaints : public QObject {
public:
    AboutPaints() { QCoreApplication::instance()->installEventFilter(this); }
    ~AboutPaints() override { QCoreApplication::instance()->removeEventFilter(this); }
    AboutPaints(const AboutPaints&) = delete;
    AboutPaints& operator=(const AboutPaints&) = delete;
    int count() const { return count_; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget != nullptr &&
            qobject_cast<TAboutFrm*>(widget->window()) != nullptr)
            ++count_;
        return false;
    }

private:
    int count_ = 0;
};

// Runs `step` in the dialog of kind Form that `open` shows modally.
template <class Form>
void InDialog(const std::function<void()>& open, std::function<void(Form&)> step) {
    WhenModal([step = std::move(step)](QDialog* dialog) {
        auto* form = qobject_cast<Form*>(dialog);
        ASSERT_NE(form, nullptr) << "another dialog opened";
        step(*form);
    });
    open();
}

uint8_t PutSong(uint8_t memory, const char* name) {
    const std::vector<uint8_t> song(4000, 0xFF);
    const uint32_t index =
        PX_TestPutFile(memory, 1, name, song.data(), static_cast<uint32_t>(song.size()));
    EXPECT_NE(index, 0u) << name;
    return static_cast<uint8_t>(index);
}

std::vector<std::string> Names(const ListViewControl& list) {
    std::vector<std::string> names;
    for (int row = 0; row < list.RowCount(); ++row)
        names.push_back(list.Cell(row, 0));
    return names;
}

std::vector<std::string> Names(const PlayListBox* list) {
    std::vector<std::string> names;
    for (int row = 0; row < list->count(); ++row)
        names.push_back(list->NameAt(row).toStdString());
    return names;
}

using Order = std::vector<std::string>;

}  // namespace

// How the preferences close, and whether the main window then reads its settings again.
struct PreferencesCase {
    const char* name;
    std::function<void(TConfigForm&)> close;
    bool reloaded;
};
void PrintTo(const PreferencesCase& c, std::ostream* os) {
    *os << c.name;
}

class PreferencesFromTheMenu : public MainFrmTest,
                               public testing::WithParamInterface<PreferencesCase> {};

TEST_P(PreferencesFromTheMenu, ASaveMakesTheWindowReadItsSettingsAndFontAgain) {
    TMainFrm& f = Create();
    // Written behind the window's back: only a new reading of the settings brings it in.
    Store("FontName", "Liberation Mono");
    f.SetStatusText("old", "", "");
    InDialog<TConfigForm>([&] { f.Option1->trigger(); },
                          [&](TConfigForm& form) {
                              EXPECT_EQ(f.sbBottom[0]->text(), "");
                              EXPECT_EQ(form.parentWidget(), &f);
                              EXPECT_EQ(form.windowTitle(), "E10141");
                              EXPECT_EQ(form.OKButton->text(), "E10144");
                              EXPECT_EQ(form.font().family(), "Arial");
                              EXPECT_EQ(form.LPTRadioGroup->ItemIndex(), 0);
                              form.ECPCheckBox->setChecked(true);
                              form.LPTRadioGroup->Item(1)->click();
                              GetParam().close(form);
                          });
    const bool reloaded = GetParam().reloaded;
    EXPECT_EQ(f.PortKind, reloaded ? 1 : 0);
    EXPECT_EQ(kivo::explorer::lptctrl::Selector().PortKind(), reloaded ? 1 : 0);
    EXPECT_EQ(f.ECPEmulation, reloaded);
    EXPECT_EQ(f.font().family(), reloaded ? "Liberation Mono" : "Arial");
    EXPECT_EQ(Stored("PORT"), reloaded ? std::optional<std::string>("1") : std::nullopt);
    EXPECT_TRUE(boxes.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Closings, PreferencesFromTheMenu,
    testing::Values(PreferencesCase{"Ok", [](TConfigForm& form) { form.OKButton->click(); }, true},
                    PreferencesCase{"ApplyThenCancel",
                                    [](TConfigForm& form) {
                                        form.ApplyButton->click();
                                        form.CancelButton->click();
                                    },
                                    true},
                    PreferencesCase{"Cancel", [](TConfigForm& form) { form.CancelButton->click(); },
                                    false},
                    PreferencesCase{"CloseBox", [](TConfigForm& form) { form.close(); }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFrmTest, PlayOrderOkWritesTheTableAndTheListsShowTheNewOrder) {
    TMainFrm& f = Create();
    PX_TestReset();
    const uint8_t a = PutSong(0, "a.mp3");
    const uint8_t b = PutSong(0, "b.mp3");
    const uint8_t c = PutSong(0, "c.mp3");
    const uint8_t x = PutSong(1, "x.mp3");
    f.Connect1Click();
    ASSERT_EQ(f.LastResult, 0);
    InDialog<TPlayListForm>(
        [&] { f.PlayOrder->trigger(); },
        [&](TPlayListForm& form) {
            EXPECT_EQ(form.windowTitle(), "E10151");
            EXPECT_EQ(form.Label2->text(), "E10153");
            EXPECT_EQ(form.font().family(), f.font().family());
            EXPECT_EQ(Names(form.IntListBox), (Order{"a.mp3", "b.mp3", "c.mp3"}));
            EXPECT_EQ(Names(form.ExtListBox), (Order{"x.mp3"}));
            form.IntListBox->ExchangeRows(0, 2);
            form.OKButton->click();
        });
    std::vector<uint8_t> expected(250, 0);
    expected[0] = c;
    expected[1] = b;
    expected[2] = a;
    expected[3] = x;
    const std::vector<uint8_t> config = PlayerConfigDat();
    ASSERT_GE(config.size(), 250u);
    EXPECT_EQ(std::vector<uint8_t>(config.begin(), config.begin() + 250), expected);
    // The lists were read again and stand in the new order.
    EXPECT_EQ(Names(f.listFlashMemory->control()), (Order{"c.mp3", "b.mp3", "a.mp3"}));
    EXPECT_EQ(Names(f.listSmartMedia->control()), (Order{"x.mp3"}));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(MainFrmTest, AConversionsProgressMessagesMoveTheOpenDialogsBars) {
    TMainFrm& f = Create();
    const std::filesystem::path source = home.path() / "memo1.wav";
    const std::filesystem::path target = home.path() / "memo1_TS.wav";
    const std::vector<uint8_t> recording = kivo::link::testing::Sc4Recording(2);
    std::ofstream(source, std::ios::binary)
        .write(reinterpret_cast<const char*>(recording.data()),
               static_cast<std::streamsize>(recording.size()));
    dialogs.AnswerOpen({source.string()});
    InDialog<TWaveConvForm>([&] { f.SC4TrueSpeechTM1->trigger(); },
                            [&](TWaveConvForm& form) {
                                EXPECT_EQ(WaveConvForm(), &form);
                                EXPECT_EQ(form.Label1->text(), "E10131");
                                EXPECT_EQ(form.OKButton->text(), "E10136");
                                EXPECT_EQ(form.font().family(), f.font().family());
                                form.SpeedButton1->click();
                                EXPECT_EQ(form.Edit2->text().toStdString(), target.string());
                                form.OKButton->click();
                                // Only the main window's handler of the link's messages
                                // reaches the bars.
                                EXPECT_EQ(form.LoadProgressBar->value(), 100);
                                EXPECT_EQ(form.ConvertProgressBar->value(), 100);
                            });
    EXPECT_EQ(WaveConvForm(), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "E10129");
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONINFORMATION);
    kivo::converter::CWave wave;
    ASSERT_EQ(wave.Load(target.c_str()), 1);
    EXPECT_EQ(wave.FormatHeader().wFormatTag, 0x0022);
}

// The firmware line shows the version the link read with its last listing. The link libraries
// stay loaded for the whole process, so "nothing read yet" is the selector without a link.
TEST_F(MainFrmTest, AboutShowsThePlayersFirmwareOnceAListingReadIt) {
    TMainFrm& f = Create();
    TAboutFrm about;
    f.SetAboutBox(&about);
    struct Step {
        const char* what;
        int16_t port;
        const char* playerVersion;  // nullptr: as it was
        bool list;
        const char* shown;
    };
    const Step steps[] = {
        {"nothing read", kivo::explorer::lptctrl::kNoLink, "version 0 1 2 0", false, ""},
        {"a listing", kivo::explorer::lptctrl::kParallelPort, nullptr, true, "01.20"},
        {"the player changed, no listing since", kivo::explorer::lptctrl::kParallelPort,
         "version 0 1 4 0", false, "01.20"},
        {"listed again", kivo::explorer::lptctrl::kParallelPort, nullptr, true, "01.40"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        f.SetPortKind(step.port);
        char reply[64];
        if (step.playerVersion != nullptr) {
            ASSERT_EQ(PX_TestControl(step.playerVersion, reply, sizeof reply), 0u);
        }
        if (step.list)
            f.Connect1Click();
        f.SetStatusText("old", "", "");
        const bool lineShown = *step.shown != '\0';
        InDialog<TAboutFrm>([&] { f.About1->trigger(); },
                            [&](TAboutFrm& shown) {
                                EXPECT_EQ(&shown, &about);
                                EXPECT_EQ(f.sbBottom[0]->text(), "");
                                EXPECT_TRUE(shown.SoftwareLabel->isVisible());
                                EXPECT_EQ(shown.SoftwareLabel->text(), "1.7");
                                EXPECT_EQ(shown.DateLabel->text(), "20010920");
                                EXPECT_EQ(shown.FirmWareLabel->isVisible(), lineShown);
                                EXPECT_EQ(shown.FirmWareLabel->text(), step.shown);
                                shown.imgAboutClick();
                            });
        EXPECT_FALSE(about.isVisible());
    }
}

TEST_F(MainFrmTest, WhileBusyNoDialogOpensAndTheStatusBarStays) {
    TMainFrm& f = Create();
    TAboutFrm about;
    f.SetAboutBox(&about);
    f.SetBusy(true);
    f.SetStatusText("copying", "1 KB / 2 KB", "10 CPS");
    // A dialog that opens anyway is noticed and closed, so that nothing hangs.
    std::vector<std::string> opened;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened.push_back(dialog->objectName().toStdString());
            dialog->done(QDialog::Rejected);
        }
    });
    watch.start();
    for (void (TMainFrm::*handler)() : {&TMainFrm::Option1Click, &TMainFrm::PlayOrderClick,
                                        &TMainFrm::SC4TrueSpeechTM1Click, &TMainFrm::About1Click})
        (f.*handler)();
    QCoreApplication::processEvents();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(f.sbBottom[0]->text(), "copying");
    EXPECT_EQ(f.sbBottom[2]->text(), "10 CPS");
}

TEST_F(MainFrmTest, StartShowsTheSplashAloneThenTheLoopShowsTheMainWindowAndHidesIt) {
    Prepare();
    AboutPaints paints;
    std::optional<ExplorerWindows> windows = StartExplorer();
    ASSERT_TRUE(windows.has_value());
    TAboutFrm& about = *windows->aboutFrm;
    TMainFrm& main = *windows->mainFrm;
    // Painted before the start goes on, not only mapped.
    EXPECT_GT(paints.count(), 0);
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(about.isModal());
    EXPECT_FALSE(main.isVisible());
    EXPECT_FALSE(about.imgAbout->pixmap().isNull());
    for (QLabel* line : {about.Label1, about.Label2, about.Label3})
        EXPECT_FALSE(line->isVisible());

    QCoreApplication::processEvents();
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(about.isVisible());
    // The same box is the Help menu's.
    InDialog<TAboutFrm>([&] { main.About1->trigger(); },
                        [&](TAboutFrm& shown) {
                            EXPECT_EQ(&shown, &about);
                            shown.imgAboutClick();
                        });
    EXPECT_TRUE(boxes.shown().empty());
}

struct MissingPicture {
    const char* langId;
    const char* bitmap;
};
void PrintTo(const MissingPicture& c, std::ostream* os) {
    *os << c.bitmap;
}

class StartWithoutAPicture : public MainFrmTest,
                             public testing::WithParamInterface<MissingPicture> {};

TEST_P(StartWithoutAPicture, StopsWithItsNameBeforeAnyWindowShows) {
    packs.leaveOutBitmaps = {GetParam().bitmap};
    Prepare(GetParam().langId);
    EXPECT_FALSE(StartExplorer().has_value());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, std::string("Resource ") + GetParam().bitmap + " not found");
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);
    QCoreApplication::processEvents();
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Pictures, StartWithoutAPicture,
                         testing::Values(MissingPicture{"0409", "ENLOGO"},
                                         MissingPicture{"0412", "KRLOGO"},
                                         MissingPicture{"0409", "256MENU"}),
                         [](const auto& info) { return std::string(info.param.bitmap); });
