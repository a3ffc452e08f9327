// Renders the explorer's windows to PNG files for people to look at: the main window in English
// and Korean, both colour depths, empty and filled lists, a transfer half done, after a copy to
// the PC and while a card is formatted, the menus, and the dialogs as its commands open them
// (preferences, play order, conversion choosing and running, splash, about box). Runs on the
// offscreen platform against a simulated player in memory; not a test.
#include "explorer/AboutRtn.h"
#include "explorer/CfgUnit.h"
#include "explorer/LPTCtrl.h"
#include "explorer/ListUnit.h"
#include "explorer/MainRtn.h"
#include "explorer/SettingsStore.h"
#include "explorer/UtilUnit.h"
#include "explorer/WaveConv.h"
#include "platform/shell/testing/scripted_browse_dialog.h"
#include "platform/ui/application.h"
#include "platform/win/application.h"
#include "platform/win/clock.h"
#include "platform/win/lang.h"
#include "platform/win/msgbox.h"
#include "platform/win/process.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace kivo::explorer;

namespace fs = std::filesystem;

namespace {

// The simulated player's test hooks, reached through the parallel-port link's driver.
struct Player {
    void (*reset)() = nullptr;
    uint32_t (*putFile)(uint8_t, uint8_t, const char*, const void*, uint32_t) = nullptr;

    bool Bind() {
        fs::path parlink = ProgramFolder() / kivo::explorer::lptctrl::kParlinkFile;
        void* library = ::dlopen(parlink.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return false;
        reset = reinterpret_cast<void (*)()>(::dlsym(library, "PX_TestReset"));
        putFile = reinterpret_cast<decltype(putFile)>(::dlsym(library, "PX_TestPutFile"));
        return reset != nullptr && putFile != nullptr;
    }

    void Fill(bool korean) {
        reset();
        struct File {
            uint8_t memory;
            uint8_t type;
            const char* name;
            uint32_t size;
        };
        // Names as the player keeps them: in the system's code page.
        const File files[] = {
            {0, 1, "Morning Walk.mp3", 3512320},
            {0, 1, "Rainy Day.mp3", 4190208},
            {0, 3, "memo001.sc4", 182400},
            {0, 2, "phone.tel", 880},
            {0, 1, "Sunrise.sm3", 2764800},
            {0, 1, korean ? "\xEB\xB4\x84\xEB\x82\xA0.mp3" : "Spring Day.mp3", 3870720},
            {1, 1, "Jazz Night.mp3", 5242880},
            {1, 1, "Lecture 01.mp3", 10485760},
            {1, 3, "meeting.sc4", 364800},
        };
        for (const File& f : files) {
            std::string name = ToAnsi(f.name);
            std::vector<char> bytes(f.size, '\x55');
            putFile(f.memory, f.type, name.c_str(), bytes.data(), f.size);
        }
    }
};

void Save(QWidget& widget, const fs::path& file) {
    QCoreApplication::processEvents();
    widget.grab().save(QString::fromStdString(file.string()));
    std::printf("%s\n", file.c_str());
}

void SaveMenus(TMainFrm& form, const fs::path& folder, const std::string& lang) {
    struct Shown {
        QMenu* menu;
        const char* name;
    };
    const Shown menus[] = {{form.File1, "file"},
                           {form.Environment1, "environment"},
                           {form.Tools1, "tools"},
                           {form.Help1, "help"},
                           {form.PopupEn, "popup"}};
    for (const Shown& m : menus) {
        m.menu->popup(form.mapToGlobal(QPoint(40, 40)));
        Save(*m.menu, folder / ("menu-" + std::string(m.name) + "-" + lang + ".png"));
        m.menu->hide();
    }
    form.Copyto->popup(form.mapToGlobal(QPoint(40, 40)));
    Save(*form.Copyto, folder / ("menu-copyto-" + lang + ".png"));
    form.Copyto->hide();
}

// Saves the dialog that a command of the main window opens, once `dress` has set it up for the
// picture, and closes it without a result.
template <class Form>
void SaveDialog(const std::function<void()>& open, std::function<void(Form&)> dress,
                const fs::path& file) {
    QTimer::singleShot(0, [dress = std::move(dress), file] {
        auto* form = qobject_cast<Form*>(QApplication::activeModalWidget());
        if (form == nullptr) {
            std::fprintf(stderr, "no dialog for %s\n", file.c_str());
            return;
        }
        dress(*form);
        Save(*form, file);
        form->done(QDialog::Rejected);
    });
    open();
}

void SaveDialogs(TMainFrm& form, const fs::path& folder, const std::string& lang) {
    auto file = [&](const char* name) {
        return folder / (std::string(name) + "-" + lang + ".png");
    };
    SaveDialog<TConfigForm>([&] { form.Option1Click(); }, [](TConfigForm&) {}, file("preferences"));
    SaveDialog<TPlayListForm>([&] { form.PlayOrderClick(); },
                              [](TPlayListForm& dialog) { dialog.IntListBox->setCurrentRow(1); },
                              file("playorder"));
    const QString source = QStringLiteral("/home/user/recordings/memo1.wav");
    SaveDialog<TWaveConvForm>([&] { form.SC4TrueSpeechTM1Click(); },
                              [source](TWaveConvForm& dialog) {
                                  dialog.Edit1->setText(source);
                                  dialog.Edit2->setText(TWaveConvForm::TargetPathFor(source));
                              },
                              file("waveconv-choosing"));
    // The running page as a conversion shows it halfway through its second pass.
    SaveDialog<TWaveConvForm>([&] { form.SC4TrueSpeechTM1Click(); },
                              [source](TWaveConvForm& dialog) {
                                  dialog.OKButton->setVisible(false);
                                  dialog.Label5->setText(source);
                                  dialog.Label6->setText(TWaveConvForm::TargetPathFor(source));
                                  dialog.GroupBox1->setVisible(false);
                                  dialog.GroupBox2->setVisible(true);
                                  dialog.SetLoadProgress(100);
                                  dialog.SetConvertProgress(45);
                              },
                              file("waveconv-running"));
    TAboutFrm about;
    form.SetAboutBox(&about);
    about.ShowSplash();
    Save(about, file("splash"));
    about.hide();
    SaveDialog<TAboutFrm>([&] { form.About1Click(); }, [](TAboutFrm&) {}, file("about"));
    SaveDialog<TAboutFrm>([&] { form.About1Click(); },
                          [](TAboutFrm& shown) { shown.labelKivoURLMouseMove(); },
                          file("about-hover"));
    form.SetAboutBox(nullptr);
}

// A copy of 10 MB to the card half done, `elapsedMs` after it started.
void ShowTransferHalfDone(TMainFrm& form, VirtualClock& clock, uint64_t elapsedMs) {
    form.SetActiveMemory(1);
    form.ShowFileInfo("Lecture 01.mp3", FormatSizeKB(10485760));
    SendMessageA(form.handle(), kTransferStartMessage, 10485760, 0);
    clock.Advance(elapsedMs);
    SendMessageA(form.handle(), kTransferProgressMessage, 10485760 / 2, 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("KIVO_PLAYER", "mem", 1);
    kivo::ui::Application app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    fs::path out = argv[1];
    fs::create_directories(out);
    fs::path registry = out / "registry";
    ::setenv("KIVO_REGISTRY_DIR", registry.c_str(), 1);
    SetApplicationTitle("kivo Explorer - Q Series");
    // Nobody answers boxes here.
    SetMessageBoxHook([](const MessageBoxRequest& r) {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return UnattendedAnswer(r.flags);
    });
    if (std::string error = kivo::explorer::lptctrl::Selector().Bind(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Player player;
    if (!player.Bind()) {
        std::fprintf(stderr, "the simulated player's hooks are missing\n");
        return 1;
    }
    VirtualClock clock;
    SetClock(&clock);
    kivo::shell::ScriptedBrowseDialog picker;
    fs::create_directories(out / "pc");
    for (const char* lang : {"en", "ko"}) {
        ::setenv("KIVO_LANGID", std::string(lang) == "ko" ? "0412" : "0409", 1);
        for (int16_t depth : {32, 8}) {
            std::string tag = std::string(lang) + "-" + std::to_string(depth);
            player.reset();
            try {
                TMainFrm form(depth);
                form.show();
                Save(form, out / ("main-" + tag + "-empty.png"));
                player.Fill(std::string(lang) == "ko");
                form.Connect1Click();
                form.listFlashMemory->SetRowSelected(1, true);
                form.listFlashMemoryMouseDown(Qt::LeftButton, {});
                Save(form, out / ("main-" + tag + "-filled.png"));
                ShowTransferHalfDone(form, clock, 12000);
                Save(form, out / ("main-" + tag + "-transfer.png"));
                form.ResetProgress();
                // Two files of the card copied to a PC folder: the completion text stays.
                form.listSmartMedia->SetRowSelected(0, true);
                form.listSmartMedia->SetRowSelected(1, true);
                form.listSmartMediaMouseDown(Qt::LeftButton, {});
                picker.Play([&out](kivo::shell::ScriptedBrowseDialog&) {
                    return kivo::shell::ScriptedBrowseDialog::Choose(
                        kivo::shell::ItemIdList::FileSystem((out / "pc").string()), "pc");
                });
                form.PC1Click();
                Save(form, out / ("main-" + tag + "-copiedtopc.png"));
                // A format under way shows what it does.
                form.SetStatusText(form.Text(10128), {}, {});
                Save(form, out / ("main-" + tag + "-formatting.png"));
                form.ClearStatusText();
                if (depth == 32) {
                    form.sbLargeIconClick();
                    Save(form, out / ("main-" + tag + "-largeicons.png"));
                    form.sbListIconClick();
                    Save(form, out / ("main-" + tag + "-list.png"));
                    SaveMenus(form, out, lang);
                    SaveDialogs(form, out, lang);
                }
            } catch (const std::runtime_error& e) {  // a picture of the packs is missing
                std::fprintf(stderr, "%s\n", e.what());
                return 1;
            }
        }
    }
    // A larger and wider font, as the Font command stores it: the figures and labels still fit.
    kivo::explorer::settings::Changes().Text("FontSize", "14").Write();
    for (const char* lang : {"en", "ko"}) {
        ::setenv("KIVO_LANGID", std::string(lang) == "ko" ? "0412" : "0409", 1);
        // A wider family too, which the conversion dialog takes over.
        kivo::explorer::settings::Changes()
            .Text("FontName", std::string(lang) == "ko" ? "NanumSquare" : "DejaVu Sans")
            .Write();
        std::string tag = std::string(lang) + "-largefont";
        player.reset();
        player.Fill(std::string(lang) == "ko");
        TMainFrm form;
        form.show();
        form.Connect1Click();
        ShowTransferHalfDone(form, clock, 9000);
        Save(form, out / ("main-" + tag + "-transfer.png"));
        form.ResetProgress();
        SaveDialogs(form, out, tag);
    }
    SetClock(nullptr);
    return 0;
}
