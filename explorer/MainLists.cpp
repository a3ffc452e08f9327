// The two device file lists, the refresh that fills them and the figures shown below them.
#include "appkit/language.h"
#include "appkit/list_cells.h"
#include "explorer/LPTCtrl.h"
#include "explorer/MainRtn.h"
#include "explorer/UtilUnit.h"

#include <QLabel>

#include <strings.h>
#include <charconv>

using namespace kivo::explorer;

namespace {

int64_t Number(const std::string& text) {
    int64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

bool EndsWith(const std::string& name, const char* extension) {
    size_t n = std::strlen(extension);
    return name.size() >= n && strcasecmp(name.c_str() + name.size() - n, extension) == 0;
}

// Images of the file list by extension: 0 MP3, 3 SM3, none for the rest.
int ImageOf(const std::string& name) {
    if (EndsWith(name, ".MP3"))
        return 0;
    if (EndsWith(name, ".SM3"))
        return 3;
    return -1;
}

}  // namespace

void TMainFrm::FillFileLists() {
    listFlashMemory->control().Clear();
    listSmartMedia->control().Clear();
    HWND temp = TempListView.handle();
    int rows = static_cast<int>(SendMessageA(temp, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::string cells[6];
        for (int column = 0; column < 6; ++column)
            cells[column] = GetListViewCellText(temp, row, column);
        int64_t index = Number(cells[3]);
        kivo::ui::ListView* target = index >= 6 && index <= 130     ? listFlashMemory
                                     : index >= 131 && index <= 254 ? listSmartMedia
                                                                    : nullptr;
        if (target == nullptr)
            continue;
        ListViewControl& list = target->control();
        int item = list.InsertRow(list.RowCount(), cells[0], 0);
        const std::string subItems[] = {
            FormatSizeKB(Number(cells[1])), cells[2], cells[3], cells[4], cells[5], cells[0]};
        for (int sub = 0; sub < 6; ++sub)
            list.SetCell(item, sub + 1, subItems[sub]);
        list.SetImage(item, ImageOf(cells[0]));
    }
    for (kivo::ui::ListView* list : {listFlashMemory, listSmartMedia}) {
        HWND h = list->handle();
        list->SortItems([h](int a, int b) { return CompareListItems({h, a}, {h, b}, 4); });
    }
}

int16_t TMainFrm::RefreshFileLists() {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    int16_t status = link.PX_MemoryInfo();
    if (status != 0)
        return status;
    if (LangID == 0) {
        link.PX_GB_Code();
    } else if (LangID == 1) {
        link.PX_BIG5_Code();
    } else if (SystemPrimaryLang() == kLangChinese) {
        if (SystemSubLang() == 1)
            link.PX_BIG5_Code();
        else if (SystemSubLang() == 2)
            link.PX_GB_Code();
    }
    TempListView.Clear();
    status = link.PX_GetFileList(TempListView.handle());
    if (status != 0)
        return status;
    FillFileLists();
    ShowMemoryTotals(ActiveMemory);
    return 0;
}

void TMainFrm::Connect1Click() {
    ClearStatusText();
    if (Busy)
        return;
    BusyScope busy(*this, false);
    LastResult = RefreshFileLists();
    if (LastResult != 0) {
        TempListView.Clear();
        listFlashMemory->control().Clear();
        listSmartMedia->control().Clear();
        FillFileLists();
        ShowMemoryTotals(ActiveMemory);
        ShowErrorCode(LastResult);
    }
}

void TMainFrm::ShowMemoryTotals(uint8_t memory) {
    const kivo::explorer::lptctrl::LinkSelector& link = kivo::explorer::lptctrl::Selector();
    int rows = 0;
    int64_t total = 0, free = 0;
    if (memory == 0) {
        rows = listFlashMemory->control().RowCount();
        total = link.PX_InternalTotalMemory();
        free = link.PX_InternalFreeMemory();
    } else if (memory == 1) {
        rows = listSmartMedia->control().RowCount();
        total = link.PX_ExternalTotalMemory();
        free = link.PX_ExternalFreeMemory();
    }
    Label20->setText(QString::fromStdString(std::to_string(rows) + Text(10124)));
    Label22->setText(QString::fromStdString(FormatSizeKB(total)));
    Label21->setText(QString::fromStdString(FormatSizeKB(free)));
}

void TMainFrm::ShowSelectedFile(bool show) {
    Label16->clear();
    Label17->setText(QString::fromStdString(FormatSizeKB(0)));
    if (!show || CurrentList == nullptr)
        return;
    std::vector<int> selected = CurrentList->SelectedRows();
    if (selected.empty())
        return;
    Label16->setText(QString::fromStdString(CurrentList->control().Cell(selected.front(), 0)));
    Label17->setText(QString::fromStdString(CurrentList->control().Cell(selected.front(), 1)));
}

void TMainFrm::ShowFileInfo(const std::string& name, const std::string& size) {
    Label16->setText(QString::fromStdString(name));
    Label17->setText(QString::fromStdString(size));
}
