// Draws the folder dialog in its styles to PNG files, for people to look at:
//   render_browse_dialog OUTPUT_FOLDER
// The dialog shows a sample home folder; the language follows KIVO_LANGID.
#include "platform/shell/browse_dialog.h"

#include "platform/shell/places.h"
#include "platform/shell/shell_namespace.h"
#include "platform/ui/application.h"
#include "platform/win/lang.h"

#include <QLabel>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace kivo::shell;

namespace {

struct Sample {
    const char* file;
    UINT flags;
    const char* english;
    const char* korean;
    bool virtualItems;  // opens this computer and the network instead of the home folder
};

void Render(const Sample& sample, const std::string& music, const std::string& folder) {
    bool korean = PrimaryLangOf(GetSystemDefaultLangID()) == 0x12;
    BROWSEINFOA info;
    info.lpszTitle = korean ? sample.korean : sample.english;
    info.ulFlags = sample.flags;
    BrowseDialog dialog(info);
    dialog.show();
    dialog.Start();
    if (sample.virtualItems) {
        dialog.Select(ItemIdList::Computer(HostName()));
        dialog.Select(ItemIdList::Virtual(CSIDL_PRINTERS));
    } else {
        dialog.Select(ItemIdList::FileSystem(music));
    }
    dialog.tree()->currentItem()->setExpanded(true);
    if (dialog.statusLine())
        dialog.statusLine()->setText(QString::fromStdString(music));
    QApplication::processEvents();
    std::string path = folder + "/" + sample.file + (korean ? "-ko.png" : "-en.png");
    if (!dialog.grab().save(QString::fromStdString(path)))
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_browse_dialog OUTPUT_FOLDER\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::filesystem::path home = std::filesystem::temp_directory_path() / "kivo-render-home";
    for (const char* sub : {"Desktop/Projects", "Documents", "Downloads", "Music/Albums",
                            "Music/Live", "Music/Voice memos", "Pictures", "Videos"})
        std::filesystem::create_directories(home / sub);
    setenv("HOME", home.c_str(), 1);
    kivo::ui::Application app(argc, argv);
    std::string music = (home / "Music").string();
    const Sample samples[] = {
        {"browse-classic", BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_VALIDATE,
         "Choose the folder to copy the files to:", "파일을 복사할 폴더를 선택하십시오:", false},
        {"browse-newstyle",
         BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE | BIF_EDITBOX,
         "Choose the folder to copy the files to:", "파일을 복사할 폴더를 선택하십시오:", false},
        {"browse-plain", 0, "", "", true},
    };
    std::filesystem::create_directories(argv[1]);
    for (const Sample& sample : samples)
        Render(sample, music, argv[1]);
    return 0;
}
