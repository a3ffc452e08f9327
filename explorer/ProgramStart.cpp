#include "explorer/ProgramStart.h"

#include "appkit/messages.h"

#include <QTimer>

#include <stdexcept>

namespace kivo::explorer {

std::optional<ExplorerWindows> StartExplorer() {
    ExplorerWindows windows;
    try {
        windows.mainFrm = std::make_unique<TMainFrm>();
        windows.aboutFrm = std::make_unique<TAboutFrm>();
    } catch (const std::runtime_error& error) {
        // "Resource NAME not found": without its pictures the program would run half made.
        ShowAppMessage(error.what(), MB_OK | MB_ICONERROR);
        return std::nullopt;
    }
    TMainFrm* mainFrm = windows.mainFrm.get();
    mainFrm->SetAboutBox(windows.aboutFrm.get());
    // The splash ends nothing when a click closes it before the main window shows.
    windows.aboutFrm->setAttribute(Qt::WA_QuitOnClose, false);
    windows.aboutFrm->ShowSplash();
    QTimer::singleShot(0, mainFrm, [mainFrm] { mainFrm->show(); });
    return windows;
}

}  // namespace kivo::explorer
