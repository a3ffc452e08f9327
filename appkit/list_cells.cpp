#include "appkit/list_cells.h"

#include "platform/win/window.h"

std::string GetListViewCellText(HWND listView, int row, int column) {
    char buffer[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(listView, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}
