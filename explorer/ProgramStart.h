#pragma once

#include "explorer/AboutRtn.h"
#include "explorer/MainRtn.h"

#include <memory>
#include <optional>

namespace kivo::explorer {

// The explorer's two lasting windows: the main window and the about box, which is the splash
// while the program starts.
struct ExplorerWindows {
    std::unique_ptr<TMainFrm> mainFrm;
    std::unique_ptr<TAboutFrm> aboutFrm;
};

// The program's start before its message loop: the main window is created, then the about box,
// which shows at once as the splash; the loop then shows the main window, which hides the
// splash. When a picture of the packs is missing its message is shown and nothing is returned:
// the program stops before any window of it shows.
std::optional<ExplorerWindows> StartExplorer();

}  // namespace kivo::explorer
