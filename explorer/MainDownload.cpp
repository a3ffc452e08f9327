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
#include <algorithm>
#include <filesystem>

using namespace kivo::explorer;

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

// A file that this copy wrote, looked up as the folder sees it: in a folder that ignores letter
// case, "rec.WAV" and "Rec.WAV" are one file.
bool WrittenBefore(const std::vector<std::string>& written, const std::string& path) {
    return std::any_of(written.begin(), written.end(), [&path](const std::string& file) {
        std::error_code ec;
        return file == path || std::filesystem::equivalent(file, path, ec);
    });
}

// Copies a player's file to a PC file. The link writes beside it, under a part name after the
// file's own, and the file stands under its name only once it came whole: a Stop, a dropped
// connection or a full disk leave no part and an existing file as it was.
int16_t CopyToPCFile(int32_t index, const std::string& target, bool recording) {
    const auto& link = kivo::explorer::lptctrl::Selector();
    std::error_code ec;
    const std::filesystem::path destination = kivo::win::LinkedFile(target);
    if (Exists(destination) && !std::filesystem::is_regular_file(destination, ec))
        return link.PX_CopyFromInternalMemory(index, target.c_str());  // refuses what is no file
    kivo::win::ReplacementFile beside(destination, 0666, kivo::win::PartName::AfterDestination);
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
    // The list of the chosen rows: a click on the other list during a transfer makes that one
    // current.
    const ListViewControl& list = CurrentList->control();
    int16_t status = 0;
    bool copied = false;
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
        std::vector<std::string> written;
        for (int row : rows) {
            std::optional<int16_t> done = CopyFileToPC(list, row, written);
            if (!done)
                continue;
            status = *done;
            if (status != 0)
                break;
            copied = true;
        }
    }
    // The completion text only for files that all came whole; a stopped copy ends quietly.
    if (status == 0) {
        if (copied)
            SetStatusText(Text(10421), {}, {});
    } else if (status != -101) {
        ShowErrorCode(status);
    }
}

std::optional<int16_t> TMainFrm::CopyFileToPC(const ListViewControl& list, int row,
                                              std::vector<std::string>& written) {
    std::optional<int32_t> index = RowFileIndex(list, row);
    if (!index) {
        ShowAppMessage(FormatText(Text(10441), {list.Cell(row, 0), "\r\n"}), MB_OK | MB_ICONERROR);
        return std::nullopt;
    }
    // The name comes from the player: it must name a file in the chosen folder and nothing else.
    const std::string name = list.Cell(row, kPlayerNameColumn);
    if (!IsPlainFileName(name)) {
        ShowAppMessage(FormatText(Text(10439), {list.Cell(row, 0), "\r\n"}), MB_OK | MB_ICONERROR);
        return std::nullopt;
    }
    auto replace = [this](const std::string& file) {
        return ShowAppMessage(FormatText(Text(10420), {file, "\r\n"}),
                              MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
    const std::string target = JoinPath(SaveFolder, name);
    if ((Exists(target) || WrittenBefore(written, target)) && !replace(name))
        return std::nullopt;
    const bool recording = IsSC4Recording(name);
    // A wave file that was there before is replaced without a question; one that this copy
    // made of another recording (rec.SC4 beside rec.sc4) is not.
    const std::string wave = SC4WavePathFor(target);
    if (recording && SC4ToWAV && WrittenBefore(written, wave) && !replace(LastComponent(wave)))
        return std::nullopt;
    ShowFileInfo(name, list.Cell(row, kSizeColumn));
    int16_t status = CopyToPCFile(*index, target, recording);
    ResetProgress();
    if (!recording) {
        if (status == 0)
            written.push_back(target);
        return status;
    }
    // Only a whole recording is wrapped; a stopped or broken one is not kept.
    if (status != 0 && status != kPlayerAborted)
        return status;
    written.push_back(target);
    if (SC4ToWAV && ConvertSC4ToWav(target, {}) == 0) {
        written.push_back(wave);
        std::error_code ec;
        std::filesystem::remove(target, ec);
    }
    return 0;
}
