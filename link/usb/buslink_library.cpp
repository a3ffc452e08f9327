// buslink's one application object: its own state and USB channel below the export family.
#include "link/exports/link_library.h"
#include "link/exports/status_check.h"
#include "link/usb/download.h"
#include "link/usb/file_list.h"
#include "link/usb/memory_info.h"
#include "link/usb/usb_link.h"
#include "link/usb/version_config.h"
#include "platform/win/window.h"

namespace kivo::link {

namespace {

constexpr uint32_t kStatusRetryWaitsMs[] = {500};

class Buslink final : public LinkLibrary {
public:
    Link& link() override { return usb_.link; }
    LinkStatus CheckStatus() override {
        return CheckStatusWithRetries(usb_.link, kStatusRetryWaitsMs);
    }
    // The USB player is not asked first.
    LinkStatus PreCheck() override { return kOk; }
    LinkStatus ReadMemoryInfo() override { return usb::ReadMemoryInfo(usb_); }
    LinkStatus ReadVersionAndConfig() override { return usb::ReadVersionAndConfig(usb_.link); }
    LinkStatus ReadFileList(HWND listView) override {
        return usb::ReadFileList(usb_.link, listView);
    }
    LinkStatus DownloadFile(uint8_t index, const char* path) override {
        return usb::DownloadFile(usb_.link, index, path);
    }
    ConvertProgressCallback StartConversion() override { return &ConvertProgress; }

private:
    // Reports the percent with the caller's value; a conversion through buslink runs to its end.
    static int32_t ConvertProgress(int32_t, int32_t percent, uint32_t user);

    usb::UsbLink usb_;
};

Buslink theApp;

int32_t Buslink::ConvertProgress(int32_t, int32_t percent, uint32_t user) {
    SendMessageA(theApp.state().ProgressWindow, kConvertProgressMessage,
                 static_cast<WPARAM>(percent), static_cast<LPARAM>(user));
    return 0;
}

}  // namespace

LinkLibrary& TheLinkLibrary() {
    return theApp;
}

}  // namespace kivo::link
