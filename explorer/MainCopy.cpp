// Copying PC files to the player: the two commands, the pop-up's copy and dropped files.
#include "appkit/messages.h"
#include "appkit/texts.h"
#include "explorer/LPTCtrl.h"
#include "explorer/MainRows.h"
#include "explorer/MainRtn.h"
#include "explorer/UtilUnit.h"
#include "platform/ui/dialogs.h"
#include "platform/win/regular_file.h"

#include <fcntl.h>
#include <strings.h>
#include <filesystem>

using namespace kivo::explorer;

namespace {

constexpr int kFlashLimit = 125;
constexpr int kCardLimit = 124;
constexpr int16_t kPCFileFailed = -115;

// The link takes sizes as signed 32-bit numbers: a larger file would be sent with a wrong size.
constexpr int64_t kLargestFile = INT32_MAX;

int FindByName(const ListViewControl& list, const std::string& name) {
    for (int row = 0; row < list.RowCount(); ++row) {
        if (strcasecmp(list.Cell(row, 0).c_str(), name.c_str()) == 0)
            return row;
    }
    return -1;
}

int FindByIndex(const ListViewControl& list, int32_t index) {
    for (int row = 0; row < list.RowCount(); ++row) {
        if (RowFileIndex(list, row) == index)
            return row;
    }
    return -1;
}

bool Readable(const std::string& path) {
    return static_cast<bool>(kivo::win::OpenRegularFile(path.c_str(), O_RDONLY));
}

bool IsTelephoneBook(const std::string& path) {
    std::string name = LastComponent(path);
    size_t dot = name.rfind('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot, ".TEL") == 0;
}

}  // namespace

void TMainFrm::CopyToFlashMemoryClick() {
    CopyToMemory(0);
}

void TMainFrm::CopyToSmartMediaClick() {
    CopyToMemory(1);
}

void TMainFrm::CopyFromPC1Click() {
    if (ActiveMemory == 0)
        CopyToFlashMemoryClick();
    else if (ActiveMemory == 1)
        CopyToSmartMediaClick();
}

void TMainFrm::CopyToMemory(uint8_t memory) {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    ClearStatusText();
    if (Busy)
        return;
    bool card = memory == 1;
    if ((card ? link.PX_ExternalTotalMemory() : link.PX_InternalTotalMemory()) == 0) {
        ShowErrorCode(card ? -112 : -111);
        return;
    }
    kivo::ui::ListView* target = card ? listSmartMedia : listFlashMemory;
    if (target->control().RowCount() >= (card ? kCardLimit : kFlashLimit)) {
        ShowAppMessage(Text(card ? 10416 : 10412), MB_OK | MB_ICONERROR);
        return;
    }
    BusyScope busy(*this, true);
    kivo::ui::FileDialogRequest request;
    request.owner = handle();
    request.folder = OpenFolder;
    request.multiSelect = true;
    request.mustExist = true;
    request.filterIndex = 1;
    request.filters = {
        {"Audio Files (*.sm3;*.sm4;*.sc4;*.mp3;*.mp4)", "*.sm3;*.sm4;*.sc4;*.mp3;*.mp4;"},
        {"Secured Music Files (*.sm3;*.sm4)", "*.sm3;*.sm4;"},
        {"Voice Recorded Files (*.wav;*.sc4)", "*.wav;*.sc4"},
        {"Telephone File (*.tel)", "*.tel"},
        {"All Files (*.*)", "*.*"}};
    std::vector<std::string> files = kivo::ui::Dialogs().OpenFiles(request);
    if (files.empty())
        return;
    OpenFolder = files.front().substr(0, files.front().rfind('/') + 1);
    SaveFolders();
    RefreshOrShow(CopyFilesToDevice(memory, files));
}

void TMainFrm::DropFiles(uint8_t memory, const std::vector<std::string>& paths) {
    BusyScope busy(*this, false);
    RefreshOrShow(CopyFilesToDevice(memory, paths));
}

void TMainFrm::RefreshOrShow(int32_t status) {
    // Done, stopped or interrupted: the player changed, so the lists are read again.
    if (status == 0 || status == -101 || status == -102)
        RefreshFileLists();
    else
        ShowErrorCode(static_cast<int16_t>(status));
}

int32_t TMainFrm::CopyFilesToDevice(uint8_t memory, const std::vector<std::string>& chosen) {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    int32_t result = 0;
    ClearStatusText();
    if (chosen.empty())
        return 0;
    // A file too large for the link is refused before anything is sent; the others go on.
    std::vector<std::string> files;
    for (const std::string& path : chosen) {
        if (FileSizeOf(path) <= kLargestFile) {
            files.push_back(path);
            continue;
        }
        ShowAppMessage(FormatText(Text(10704), {LastComponent(path), "\r\n"}),
                       MB_OK | MB_ICONERROR);
        result = -110;
    }
    if (files.empty())
        return result;
    bool card = memory == 1;
    if ((card ? link.PX_ExternalTotalMemory() : link.PX_InternalTotalMemory()) == 0)
        return card ? -112 : -111;
    if ((card ? link.PX_ExternalFreeMemory() : link.PX_InternalFreeMemory()) < TotalFileSize(files))
        return card ? -114 : -113;
    if (ShowAppMessage(Text(card ? 10433 : 10428), MB_YESNO | MB_ICONQUESTION) == IDNO)
        return 0;
    kivo::ui::ListView* target = card ? listSmartMedia : listFlashMemory;
    for (const std::string& path : files) {
        ListViewControl& list = target->control();
        if (list.RowCount() >= (card ? kCardLimit : kFlashLimit)) {
            ShowAppMessage(Text(card ? 10703 : 10702), MB_OK | MB_ICONERROR);
            return result;
        }
        std::string name = LastComponent(path);
        // A file that cannot be read is no empty file: the copy ends there as the link ends it.
        if (!Readable(path)) {
            ShowFileInfo(name, {});
            return kPCFileFailed;
        }
        if (FileSizeOf(path) == 0) {
            ShowAppMessage(FormatText(Text(10125), {name, "\r\n"}), MB_OK | MB_ICONWARNING);
            result = -110;
            continue;
        }
        if (IsTelephoneBook(path)) {
            int16_t book = link.PX_PhoneBookIndex();
            if (book > 0) {
                if (ShowAppMessage(FormatText(Text(10126), {"\r\n"}), MB_YESNO | MB_ICONQUESTION) ==
                    IDNO)
                    return -105;
                // A book left behind would give the player two: a failed delete ends the copy.
                int16_t deleted = link.PX_DeleteFromInternalMemory(book);
                if (deleted != 0)
                    return deleted;
                for (kivo::ui::ListView* shown : {listFlashMemory, listSmartMedia}) {
                    int row = FindByIndex(shown->control(), book);
                    if (row >= 0)
                        shown->control().RemoveRow(row);
                }
            }
        } else if (int existing = FindByName(list, name); existing >= 0) {
            if (ShowAppMessage(FormatText(Text(10701), {name, "\r\n"}),
                               MB_YESNO | MB_ICONQUESTION) == IDNO)
                continue;
            std::optional<int32_t> index = ReplacedIndex(list, existing, name);
            if (index) {
                int16_t deleted = link.PX_DeleteFromInternalMemory(*index);
                if (deleted != 0)
                    return deleted;
            }
            existing = FindByName(list, name);
            if (existing >= 0)
                list.RemoveRow(existing);
        }
        result = CopyFileToDevice(memory, path);
        ResetProgress();
        if (result != 0)
            return result;
        int row = list.InsertRow(list.RowCount(), name, 0);
        list.SetCell(row, 1, FormatSizeKB(FileSizeOf(path)));
    }
    return result;
}

std::optional<int32_t> TMainFrm::ReplacedIndex(const ListViewControl& list, int row,
                                               const std::string& name) {
    if (std::optional<int32_t> index = RowFileIndex(list, row))
        return index;
    // A row that this copy added has no index until the lists are read again.
    if (RefreshFileLists() != 0)
        return std::nullopt;
    int again = FindByName(list, name);
    return again >= 0 ? RowFileIndex(list, again) : std::nullopt;
}

int32_t TMainFrm::CopyFileToDevice(uint8_t memory, const std::string& path) {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    if (path.empty())
        return 0;
    bool card = memory == 1;
    int64_t free = card ? link.PX_ExternalFreeMemory() : link.PX_InternalFreeMemory();
    int64_t size = FileSizeOf(path);
    if (free - size <= 0)
        return card ? -114 : -113;
    ShowFileInfo(LastComponent(path), FormatSizeKB(size));
    int16_t status = card ? link.PX_CopyToExternalMemory(path.c_str())
                          : link.PX_CopyToInternalMemory(path.c_str());
    if (status == 0)
        status = link.PX_MemoryInfo();
    return status;
}

void TMainFrm::Stop1Click() {
    ClearStatusText();
    kivo::explorer::lptctrl::Selector().PX_CancelTransfer();
    ResetProgress();
}
