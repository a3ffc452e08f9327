#pragma once

#include "converter/progress.h"
#include "link/common/link.h"
#include "platform/win/types.h"

#include <cstdint>

namespace kivo::link {

// What one link library gives the export family that both share: its link, and the
// operations that its transport does in its own way.
class LinkLibrary {
public:
    virtual ~LinkLibrary() = default;

    virtual Link& link() = 0;
    LinkState& state() { return link().state; }

    // The status check with the library's retries.
    virtual LinkStatus CheckStatus() = 0;
    // Runs before the work of most exports; a nonzero status ends the export with it.
    virtual LinkStatus PreCheck() = 0;
    virtual LinkStatus ReadMemoryInfo() = 0;
    virtual LinkStatus ReadVersionAndConfig() = 0;
    virtual LinkStatus ReadFileList(HWND listView) = 0;
    virtual LinkStatus DownloadFile(uint8_t index, const char* path) = 0;
    // Readies a voice conversion and gives the callback that reports its progress.
    virtual ConvertProgressCallback StartConversion() = 0;
};

// The library's one instance, defined by each link library.
LinkLibrary& TheLinkLibrary();

}  // namespace kivo::link
