// kivodesk: the explorer of the kivo player.
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/UtilUnit.h"
#include "platform/ui/application.h"
#include "platform/win/application.h"

#include <memory>

int main(int argc, char** argv) {
    kivo::ui::Application app(argc, argv);
    SetApplicationTitle("kivo Explorer - Q Series");
    if (std::string error = lptctrl::Selector().Bind(); !error.empty()) {
        ShowAppMessage(error, MB_OK | MB_ICONERROR);
        return 1;
    }
    std::unique_ptr<TMainFrm> mainFrm;
    try {
        mainFrm = std::make_unique<TMainFrm>();
    } catch (const ResourceError& e) {
        // Without its pictures the window would run half made: stop before it shows.
        ShowAppMessage(e.what(), MB_OK | MB_ICONERROR);
        return 1;
    }
    mainFrm->show();
    return app.exec();
}
