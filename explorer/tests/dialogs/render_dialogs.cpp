// Renders the explorer's dialogs to PNG files so that people can look at them:
//   render_dialogs OUTPUT_FOLDER
// in the language of KIVO_LANGID, with the language and image packs the program finds.
#include "explorer/AboutRtn.h"
#include "explorer/CfgUnit.h"
#include "explorer/FormSupport.h"
#include "explorer/ListUnit.h"
#include "explorer/UtilUnit.h"
#include "explorer/WaveConv.h"
#include "platform/resources/library.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

QString g_folder;
QString g_suffix;

void Save(QWidget* window, const char* name) {
    window->show();
    QApplication::processEvents();
    const QString path = g_folder + "/" + name + "-" + g_suffix + ".png";
    if (!window->grab().save(path))
        std::fprintf(stderr, "render_dialogs: cannot write %s\n", qPrintable(path));
    window->hide();
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_dialogs OUTPUT_FOLDER\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    const bool korean = SystemPrimaryLang() == kLangKorean;
    g_suffix = korean ? QStringLiteral("ko") : QStringLiteral("en");
    const ResourceLibrary strings(korean ? "textpackkr.DLL" : "textpacken.DLL");

    QWidget main;
    main.setFont(FormFont());
    main.setGeometry(100, 100, 596, 520);

    {
        TConfigForm form(&main);
        form.ApplyTexts(strings.handle());
        Save(&form, "preferences");
    }
    {
        TPlayListForm form(&main);
        form.ApplyTexts(strings.handle());
        const char* flash[] = {"01 Morning.mp3", "02 Commute.mp3", "03 Lunch break.mp3",
                               "04 Evening.mp3"};
        for (int i = 0; i < 4; ++i)
            form.IntListBox->AddRow(QString::fromUtf8(flash[i]), 6 + i);
        form.ExtListBox->AddRow(QStringLiteral("Lecture 1.mp3"), 131);
        form.ExtListBox->AddRow(QStringLiteral("Lecture 2.mp3"), 132);
        form.IntListBox->setCurrentRow(1);
        Save(&form, "playorder");
    }
    {
        TWaveConvForm form(&main, strings.handle());
        form.ApplyTexts();
        form.Edit1->setText(QStringLiteral("/home/user/recordings/memo1.wav"));
        form.Edit2->setText(TWaveConvForm::TargetPathFor(form.Edit1->text()));
        Save(&form, "waveconv-choosing");
        form.OKButton->setVisible(false);
        form.Label5->setText(form.Edit1->text());
        form.Label6->setText(form.Edit2->text());
        form.GroupBox1->setVisible(false);
        form.GroupBox2->setVisible(true);
        form.SetLoadProgress(100);
        form.SetConvertProgress(45);
        Save(&form, "waveconv-running");
    }
    try {
        TAboutFrm about;
        Save(&about, "splash");
        about.SetSoftwareVersion(QString::fromLatin1(kExplorerVersion));
        about.SetReleaseDate(QString::fromLatin1(kReleaseDate));
        about.SetFirmwareVersion(QStringLiteral("01.20"));
        Save(&about, "about");
        about.labelKivoURLMouseMove();
        Save(&about, "about-hover");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "render_dialogs: %s\n", error.what());
        return 1;
    }
    return 0;
}
