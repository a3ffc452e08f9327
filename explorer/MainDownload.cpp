// Copying the player's files to a PC folder, SC4 recordings wrapped as wave files.
#include "appkit/messages.h"
#include "appkit/texts.h"
#include "explorer/BrowseDr.h"
#include "explorer/LPTCtrl.h"
#include "explorer/MainRows.h"
#include "explorer/MainRtn.h"
#include "explorer/SC4Tools.h"
#include "explorer/UtilUnit.h"
#include "platform/win/file_write.h"

#include <strings.h>
#include <filesystem>

namespace {

constexpr int16_t kPlayerAborted = -103;
constexpr int16_t kPCFileFailed = -115;

bool IsSC4Recording(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot, ".SC4") == 0;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Copies a player's file over a PC file that the user agreed to replace. The link writes beside
// it, and the old file gives way only to a copy that counts as done: a dropped connection, a Stop
// or a full disk leave it as it was.
int16_t CopyOverPCFile(int32_t index, const std::string& target, bool recording) {
    const auto& link = kivo::lptctrl::Selector();
    std::error_code ec;
    const std::filesystem::path destination = kivo::win::LinkedFile(target);
    if (!std::filesystem::is_regular_file(destination, ec))
        return link.PX_CopyFromInternalMemory(index, target.c_str());  // refuses what is no file
    kivo::win::ReplacementFile beside(destination);
    if (!beside)
        return kPCFileFailed;
    const int16_t status = link.PX_CopyFromInternalMemory(index, beside.path().c_str());
    const bool done = status == 0 || (recording && status == kPlayerAborted);
    if (done && !beside.Commit())
        return kPCFileFailed;
    return status;
}

}  // namespace

std::vector<int> TMainFrm::RowsToWorkOn() {
    ClearStatusText();
    if (Busy || CurrentList == nullptr)
        return {};
    std::vector<int> rows = CurrentList->SelectedRows();
    if (CurrentList->control().RowCount() == 0 || rows.empty())
        ShowAppMessage(Text(10438), MB_OK | MB_ICONERROR);
    return rows;
}

void TMainFrm::PC1Click() {
    std::vector<int> rows = RowsToWorkOn();
    if (rows.empty())
        return;
    int16_t status = 0;
    {
        BusyScope busy(*this, true);
        BrowseDirectoryDlg->SetSelection(SaveFolder);
        if (!BrowseDirectoryDlg->Execute())
            return;
        // An item without a place in the file system (Printers, say) is no folder to write to.
        if (BrowseDirectoryDlg->Selection().empty()) {
            ShowAppMessage(Text(10440), MB_OK | MB_ICONERROR);
            return;
        }
        SaveFolder = BrowseDirectoryDlg->Selection();
        SaveFolders();
        for (int row : rows) {
            status = CopyFileToPC(CurrentList->control(), row);
            if (status != 0)
                break;
        }
    }
    if (status == 0 || status == -101)
        SetStatusText(Text(10421), {}, {});
    else
        ShowErrorCode(status);
}

int16_t TMainFrm::CopyFileToPC(const ListViewControl& list, int row) {
    std::optional<int32_t> index = RowFileIndex(list, row);
    if (!index) {
        ShowAppMessage(FormatText(Text(10441), {list.Cell(row, 0), "\r\n"}), MB_OK | MB_ICONERROR);
        return 0;
    }
    // The name comes from the player: it must name a file in the chosen folder and nothing else.
    const std::string name = list.Cell(row, kPlayerNameColumn);
    if (!IsPlainFileName(name)) {
        ShowAppMessage(FormatText(Text(10439), {list.Cell(row, 0), "\r\n"}), MB_OK | MB_ICONERROR);
        return 0;
    }
    const std::string target = JoinPath(SaveFolder, name);
    const bool replaces = Exists(target);
    if (replaces &&
        ShowAppMessage(FormatText(Text(10420), {name, "\r\n"}), MB_YESNO | MB_ICONQUESTION) == IDNO)
        return 0;
    ShowFileInfo(name, list.Cell(row, kSizeColumn));
    const bool recording = IsSC4Recording(name);
    int16_t status =
        replaces ? CopyOverPCFile(*index, target, recording)
                 : kivo::lptctrl::Selector().PX_CopyFromInternalMemory(*index, target.c_str());
    ResetProgress();
    if (!recording)
        return status;
    // Only a whole recording is wrapped; a stopped or broken one stays as the player sent it.
    if (status != 0 && status != kPlayerAborted)
        return status;
    if (SC4ToWAV && ConvertSC4ToWav(target, {}) == 0) {
        std::error_code ec;
        std::filesystem::remove(target, ec);
    }
    return 0;
}
