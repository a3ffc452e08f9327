#include "platform/win/listview.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies as much as fits, cut at a character boundary so that the caller never holds half of a
// UTF-8 sequence.
LRESULT CopyOut(const std::string& text, LVITEMA* item) {
    if (item->pszText == nullptr || item->cchTextMax <= 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(item->cchTextMax - 1));
    if (n < text.size()) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(item->pszText, text.data(), n);
    item->pszText[n] = '\0';
    return static_cast<LRESULT>(n);
}

}  // namespace

std::string ListViewControl::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0)
        return {};
    const auto& cells = rows_[row].cells;
    return static_cast<size_t>(column) < cells.size() ? cells[column] : std::string();
}

int ListViewControl::InsertRow(int position, std::string caption, LPARAM data) {
    position = std::clamp(position, 0, RowCount());
    Row row;
    row.cells.push_back(std::move(caption));
    row.data = data;
    rows_.insert(rows_.begin() + position, std::move(row));
    if (observer_)
        observer_->RowInserted(position);
    return position;
}

bool ListViewControl::SetCell(int row, int column, std::string text) {
    if (row < 0 || row >= RowCount() || column < 0)
        return false;
    auto& cells = rows_[row].cells;
    if (cells.size() <= static_cast<size_t>(column))
        cells.resize(column + 1);
    cells[column] = std::move(text);
    if (observer_)
        observer_->CellChanged(row, column);
    return true;
}

bool ListViewControl::SetImage(int row, int image) {
    if (row < 0 || row >= RowCount())
        return false;
    rows_[row].image = image;
    if (observer_)
        observer_->CellChanged(row, 0);
    return true;
}

bool ListViewControl::RemoveRow(int row) {
    if (row < 0 || row >= RowCount())
        return false;
    rows_.erase(rows_.begin() + row);
    if (observer_)
        observer_->RowRemoved(row);
    return true;
}

void ListViewControl::Clear() {
    rows_.clear();
    if (observer_)
        observer_->RowsCleared();
}

void ListViewControl::SortByRowComparison(const std::function<int(int, int)>& compare) {
    std::vector<int> from = Unsorted();
    std::stable_sort(from.begin(), from.end(), [&](int a, int b) { return compare(a, b) < 0; });
    Reorder(from);
}

std::vector<int> ListViewControl::Unsorted() const {
    std::vector<int> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    return order;
}

void ListViewControl::Reorder(const std::vector<int>& from) {
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (int i : from)
        sorted.push_back(std::move(rows_[i]));
    rows_ = std::move(sorted);
    if (observer_)
        observer_->RowsReordered(from);
}

LRESULT ListViewControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<LVITEMA*>(lParam);
    switch (message) {
        case LVM_GETITEMCOUNT:
            return RowCount();
        case LVM_INSERTITEMA: {
            if (item == nullptr || item->iSubItem != 0)
                return -1;
            std::string caption;
            if ((item->mask & LVIF_TEXT) && item->pszText)
                caption = item->pszText;
            LPARAM data = (item->mask & LVIF_PARAM) ? item->lParam : 0;
            int row = InsertRow(item->iItem, std::move(caption), data);
            if (item->mask & LVIF_IMAGE)
                SetImage(row, item->iImage);
            return row;
        }
        case LVM_SETITEMTEXTA: {
            if (item == nullptr)
                return FALSE;
            return SetCell(static_cast<int>(wParam), item->iSubItem,
                           item->pszText ? item->pszText : "")
                       ? TRUE
                       : FALSE;
        }
        case LVM_GETITEMTEXTA: {
            if (item == nullptr)
                return 0;
            return CopyOut(Cell(static_cast<int>(wParam), item->iSubItem), item);
        }
        case LVM_GETITEMA: {
            if (item == nullptr || item->iItem < 0 || item->iItem >= RowCount())
                return FALSE;
            if (item->mask & LVIF_PARAM)
                item->lParam = rows_[item->iItem].data;
            if (item->mask & LVIF_IMAGE)
                item->iImage = rows_[item->iItem].image;
            if (item->mask & LVIF_TEXT)
                CopyOut(Cell(item->iItem, item->iSubItem), item);
            return TRUE;
        }
        case LVM_DELETEITEM:
            return RemoveRow(static_cast<int>(wParam)) ? TRUE : FALSE;
        case LVM_DELETEALLITEMS:
            Clear();
            return TRUE;
        default:
            return 0;
    }
}
