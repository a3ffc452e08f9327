// Copying the player's files to a PC folder, SC4 recordings wrapped as wave files.
#include "explorer/BrowseDr.h"
#include "explorer/LPTCtrl.h"
#include "explorer/MainRows.h"
#include "explorer/MainRtn.h"
#include "explorer/SC4Tools.h"
#include "explorer/UtilUnit.h"

#include <strings.h>
#include <filesystem>

namespace {

bool IsSC4Recording(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot, ".SC4") == 0;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
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
    if (Exists(target) &&
        ShowAppMessage(FormatText(Text(10420), {name, "\r\n"}), MB_YESNO | MB_ICONQUESTION) == IDNO)
        return 0;
    ShowFileInfo(name, list.Cell(row, kSizeColumn));
    int16_t status = kivo::lptctrl::Selector().PX_CopyFromInternalMemory(*index, target.c_str());
    ResetProgress();
    if (!IsSC4Recording(name))
        return status;
    // Only a whole recording is wrapped; a stopped or broken one stays as the player sent it.
    if (status != 0 && status != -103)
        return status;
    if (SC4ToWAV && ConvertSC4ToWav(target, {}) == 0) {
        std::error_code ec;
        std::filesystem::remove(target, ec);
    }
    return 0;
}
