// Deleting the player's files and formatting its memories.
#include "appkit/messages.h"
#include "appkit/texts.h"
#include "explorer/LPTCtrl.h"
#include "explorer/MainRows.h"
#include "explorer/MainRtn.h"

#include <algorithm>

using namespace kivo::explorer;

namespace {

// The text the player keeps as "serial.dat" after a Flash format.
constexpr char kDeviceTag[] = "KIVO";

}  // namespace

void TMainFrm::Delete1Click() {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    std::vector<int> rows = RowsToWorkOn();
    if (rows.empty())
        return;
    if (ShowAppMessage(Text(10424), MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;
    BusyScope busy(*this, false);
    ListViewControl& list = CurrentList->control();
    // From the last row to the first: removing a row moves none of those still to come.
    std::sort(rows.rbegin(), rows.rend());
    for (int row : rows) {
        std::optional<int32_t> index = RowFileIndex(list, row);
        if (!index) {
            ShowAppMessage(FormatText(Text(10441), {list.Cell(row, 0), "\r\n"}),
                           MB_OK | MB_ICONERROR);
            continue;
        }
        int16_t status = ActiveMemory == 0 ? link.PX_DeleteFromInternalMemory(*index)
                                           : link.PX_DeleteFromExternalMemory(*index);
        if (status != 0) {
            ShowErrorCode(status);
            break;
        }
        repaint();
        list.RemoveRow(row);
    }
    RefreshFileLists();
}

void TMainFrm::FlashMemory1Click() {
    FormatMemory(0);
}

void TMainFrm::KivoCard1Click() {
    FormatMemory(1);
}

void TMainFrm::Format2Click() {
    if (ActiveMemory == 0)
        FlashMemory1Click();
    else if (ActiveMemory == 1)
        KivoCard1Click();
}

void TMainFrm::FormatMemory(uint8_t memory) {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    bool card = memory == 1;
    ClearStatusText();
    if (Busy)
        return;
    // A card that a failed format left without one reads 0 but is there: it may be formatted.
    if ((card ? link.PX_ExternalTotalMemory() : link.PX_InternalTotalMemory()) == 0 &&
        !(card && link.PX_CardInserted() == 1)) {
        ShowAppMessage(FormatText(Text(10120), {"\r\n"}), MB_OK | MB_ICONERROR);
        return;
    }
    if (ShowAppMessage(Text(card ? 10426 : 10425), MB_YESNO | MB_ICONQUESTION) == IDNO)
        return;
    SetStatusText(Text(card ? 10128 : 10127), {}, {});
    BusyScope busy(*this, true);
    int16_t status =
        card ? link.PX_FormatExternalMemory() : link.PX_FormatInternalMemory(kDeviceTag);
    if (status != 0)
        ShowErrorCode(status);
    else
        RefreshFileLists();
}
