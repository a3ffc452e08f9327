// parlink's one application object: its own state and parallel-port channel below the export
// family, and the four exports only parlink has.
#include "link/common/command_session.h"
#include "link/exports/link_library.h"
#include "link/exports/px_exports.h"
#include "link/exports/status_check.h"
#include "link/parport/download.h"
#include "link/parport/file_list.h"
#include "link/parport/memory_info.h"
#include "link/parport/parport_link.h"
#include "link/parport/version_config.h"
#include "platform/win/window.h"

namespace kivo::link::parport {

namespace {

constexpr uint32_t kStatusRetryWaitsMs[] = {500, 2000};
constexpr uint32_t kGbCodePage = 936;
constexpr uint32_t kBig5CodePage = 950;

class Parlink final : public LinkLibrary {
public:
    Link& link() override { return p_.link; }
    LinkStatus CheckStatus() override {
        return CheckStatusWithRetries(p_.link, kStatusRetryWaitsMs);
    }
    LinkStatus PreCheck() override { return CheckStatus(); }
    LinkStatus ReadMemoryInfo() override { return parport::ReadMemoryInfo(p_.link); }
    LinkStatus ReadVersionAndConfig() override { return parport::ReadVersionAndConfig(p_.link); }
    LinkStatus ReadFileList(HWND listView) override {
        return parport::ReadFileList(p_.link, listView);
    }
    LinkStatus DownloadFile(uint8_t index, const char* path) override {
        return parport::DownloadFile(p_.link, index, path);
    }
    // A cancel made before the conversion starts has no effect.
    ConvertProgressCallback StartConversion() override {
        p_.state.ConvertCancelFlag = 0;
        return &ConvertProgress;
    }

    // Tells the player which code page its file names use; names cross in it from then on.
    LinkStatus SelectNameCodePage(Command command, uint32_t codePage) {
        CommandSession session(p_.link, command);
        if (session.status() == kOk)
            p_.state.NameCodePage = codePage;
        return session.status();
    }

private:
    // Reports the percent and the pass; the cancel flag stops the converter.
    static int32_t ConvertProgress(int32_t pass, int32_t percent, uint32_t user);

    ParportLink p_;
};

Parlink theApp;

int32_t Parlink::ConvertProgress(int32_t pass, int32_t percent, uint32_t) {
    SendMessageA(theApp.state().ProgressWindow, kConvertProgressMessage,
                 static_cast<WPARAM>(percent), static_cast<LPARAM>(pass));
    return theApp.state().ConvertCancelFlag != 0 ? 1 : 0;
}

}  // namespace

}  // namespace kivo::link::parport

kivo::link::LinkLibrary& kivo::link::TheLinkLibrary() {
    return parport::theApp;
}

int16_t PX_CancelWaveConvert() {
    kivo::link::parport::theApp.state().ConvertCancelFlag = 1;
    return kivo::link::kOk;
}

int16_t PX_ECPEmulation(int16_t on) {
    kivo::link::parport::theApp.state().EcpEmulation = on;
    return kivo::link::kOk;
}

int16_t PX_GB_Code() {
    return kivo::link::parport::theApp.SelectNameCodePage(kivo::link::kGbNamesCommand,
                                                          kivo::link::parport::kGbCodePage);
}

int16_t PX_BIG5_Code() {
    return kivo::link::parport::theApp.SelectNameCodePage(kivo::link::kBig5NamesCommand,
                                                          kivo::link::parport::kBig5CodePage);
}
