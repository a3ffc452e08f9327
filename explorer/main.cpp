// kivodesk: the explorer of the kivo player.
#include "appkit/messages.h"
#include "explorer/LPTCtrl.h"
#include "explorer/ProgramStart.h"
#include "platform/ui/application.h"
#include "platform/win/application.h"

using namespace kivo::explorer;

int main(int argc, char** argv) {
    kivo::ui::Application app(argc, argv);
    SetApplicationTitle("kivo Explorer - Q Series");
    if (std::string error = kivo::explorer::lptctrl::Selector().Bind(); !error.empty()) {
        ShowAppMessage(error, MB_OK | MB_ICONERROR);
        return 1;
    }
    std::optional<ExplorerWindows> windows = StartExplorer();
    if (!windows)
        return 1;
    return app.exec();
}
