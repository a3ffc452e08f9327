// The export family both link libraries share, over the library's own LinkLibrary.
#include "link/exports/px_exports.h"

#include "converter/sonoform.h"
#include "link/common/card_format_procedure.h"
#include "link/common/memory_ops.h"
#include "link/common/player_version.h"
#include "link/common/system_files.h"
#include "link/common/transfer_blocks.h"
#include "link/common/upload.h"
#include "link/exports/link_library.h"

#include <algorithm>

using kivo::link::kOk;
using kivo::link::LinkStatus;

namespace {

kivo::link::LinkLibrary& Lib() {
    return kivo::link::TheLinkLibrary();
}

template <class Work>
LinkStatus Checked(Work work) {
    if (LinkStatus s = Lib().PreCheck(); s != kOk)
        return s;
    return work();
}

LinkStatus Upload(uint8_t memoryType, const char* path) {
    if (path == nullptr)
        return kivo::link::kPcFileFailed;
    return Checked([&] { return kivo::link::UploadFile(Lib().link(), memoryType, path); });
}

}  // namespace

int16_t PX_CheckStatus() {
    return Lib().CheckStatus();
}

int16_t PX_MemoryInfo() {
    return Checked([] { return Lib().ReadMemoryInfo(); });
}

int64_t PX_InternalTotalMemory() {
    return Lib().state().InternalTotalBytes;
}
int64_t PX_InternalFreeMemory() {
    return Lib().state().InternalFreeBytes;
}
int64_t PX_ExternalTotalMemory() {
    return Lib().state().ExternalTotalBytes;
}
int64_t PX_ExternalFreeMemory() {
    return Lib().state().ExternalFreeBytes;
}

const char* PX_GetPlayerVersion() {
    return Lib().state().PlayerVersionText.data();
}

int16_t PX_GetFileList(HWND listView) {
    return Checked([&] {
        if (LinkStatus s = Lib().ReadVersionAndConfig(); s != kOk)
            return s;
        return Lib().ReadFileList(listView);
    });
}

int16_t PX_CopyToInternalMemory(const char* path) {
    return Upload(kivo::link::kInternalMemory, path);
}
int16_t PX_CopyToExternalMemory(const char* path) {
    return Upload(kivo::link::kMemoryCard, path);
}

int16_t PX_CopyFromInternalMemory(int32_t fileIndex, const char* path) {
    if (path == nullptr)
        return kivo::link::kPcFileFailed;
    return Checked([&] { return Lib().DownloadFile(static_cast<uint8_t>(fileIndex), path); });
}
int16_t PX_CopyFromExternalMemory(int32_t, const char*)
    __attribute__((alias("PX_CopyFromInternalMemory")));

int16_t PX_DeleteFromInternalMemory(int32_t fileIndex) {
    return Checked([&] {
        return kivo::link::DeleteDeviceFile(Lib().link(), static_cast<uint8_t>(fileIndex));
    });
}
int16_t PX_DeleteFromExternalMemory(int32_t) __attribute__((alias("PX_DeleteFromInternalMemory")));

// A missing tag is refused before the memory is emptied.
int16_t PX_FormatInternalMemory(const char* deviceTag) {
    if (deviceTag == nullptr)
        return kivo::link::kRefused;
    return Checked([&] {
        kivo::link::Link& link = Lib().link();
        if (LinkStatus s = kivo::link::InitializeMemory(link, kivo::link::kInternalMemory);
            s != kOk) {
            return s;
        }
        if (LinkStatus s = kivo::link::WriteSerialFile(link, deviceTag); s != kOk)
            return s;
        return kivo::link::WriteMasImages(link);
    });
}

// Players before "01.30" cannot take the card's format image. Its result is the format's:
// a card that was emptied but not formatted again must not pass for a formatted one.
int16_t PX_FormatExternalMemory() {
    return Checked([] {
        kivo::link::Link& link = Lib().link();
        if (LinkStatus s = kivo::link::InitializeMemory(link, kivo::link::kMemoryCard); s != kOk)
            return s;
        if (kivo::link::IsOlderPlayer(link.state))
            return kOk;
        return kivo::link::FormatMemoryCard(link);
    });
}

// 1 when the player names an inserted card, also one whose figures read 0 as it holds no
// format (a format that failed after the erase); 0 when there is none or the player cannot be
// asked (before "01.30"); the failing status when it does not answer.
int16_t PX_CardInserted() {
    return Checked([] {
        kivo::link::Link& link = Lib().link();
        if (kivo::link::IsOlderPlayer(link.state))
            return kOk;
        uint8_t codes[2] = {};
        if (LinkStatus s = kivo::link::ReadCardCodes(link, codes); s != kOk)
            return s;
        return static_cast<LinkStatus>(codes[0] != 0 ? 1 : 0);
    });
}

int16_t PX_SMCFormat() {
    return Checked([] { return kivo::link::FormatMemoryCard(Lib().link()); });
}

int16_t PX_SetConfig(const uint8_t* playOrderTable) {
    if (playOrderTable == nullptr)
        return kivo::link::kRefused;
    return Checked([&] {
        kivo::link::Link& link = Lib().link();
        std::copy_n(playOrderTable, kivo::link::kPlayOrderEntries, link.state.ConfigArea.begin());
        return kivo::link::WriteConfigFile(link);
    });
}

int16_t PX_PhoneBookIndex() {
    return Lib().state().PhoneBookIndex;
}

int16_t PX_SetWindowHandle(HWND window) {
    Lib().state().ProgressWindow = window;
    return kOk;
}

int16_t PX_CancelTransfer() {
    Lib().state().TransferCancelCode = kivo::link::kStopCode;
    return kOk;
}

int32_t PX_WaveConvert(const char* source, const char* destination) {
    const ConvertProgressCallback progress = Lib().StartConversion();
    return PELK_sonoform(source, destination, progress, 0);
}
