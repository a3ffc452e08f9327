#pragma once

#include "platform/win/api.h"

#include <filesystem>

// The user's folders, where the programs keep their settings and the simulated player.
namespace kivo::win {

// $HOME when it is an absolute path, else the home folder of the user's account, else "/":
// a relative or missing one would put the files wherever the program was started.
KIVO_WIN_API std::filesystem::path HomeFolder();

// The base folder that `variable` (XDG_CONFIG_HOME, XDG_DATA_HOME) names when it is an absolute
// path, as the base-directory rules have it; else `fallback` under the home folder.
KIVO_WIN_API std::filesystem::path XdgFolder(const char* variable, const char* fallback);

}  // namespace kivo::win
