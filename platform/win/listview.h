#pragma once

#include "platform/win/api.h"
#include "platform/win/window.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Told of every change, so that a view can show the control.
class KIVO_WIN_API ListViewObserver {
public:
    virtual ~ListViewObserver() = default;
    virtual void RowInserted(int row) = 0;
    virtual void CellChanged(int row, int column) = 0;
    virtual void RowRemoved(int row) = 0;
    virtual void RowsCleared() = 0;
    // The same rows in a new order: row r now is the row that stood at `from[r]`.
    virtual void RowsReordered(const std::vector<int>& from) = 0;
};

// A report-style list view: rows of cell texts and one data value per row, kept in insertion
// order. Answers the list-view messages through its window; C++ callers may read it directly.
class KIVO_WIN_API ListViewControl : public Window {
public:
    struct Row {
        std::vector<std::string> cells;
        LPARAM data = 0;
        // Index into the view's image lists; -1 for none.
        int image = -1;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& RowAt(int row) const { return rows_.at(row); }
    // The cell's text; empty for a cell never set or out of range.
    std::string Cell(int row, int column) const;

    int InsertRow(int position, std::string caption, LPARAM data);
    bool SetCell(int row, int column, std::string text);
    // Observers see the change as one of the caption.
    bool SetImage(int row, int image);
    bool RemoveRow(int row);
    void Clear();
    // Reorders the rows by a strict weak ordering; equal rows keep their order. Observers see
    // the rows move, so that what a view keeps per row (selection, focus) moves with them.
    template <typename Less>
    void Sort(Less less);
    // Reorders the rows by a comparison of two row indexes (negative, zero or positive), the way
    // a list's custom sort calls back: the rows stay where they are while it compares, so the
    // comparison may read the cells through the window; equal rows keep their order.
    void SortByRowComparison(const std::function<int(int, int)>& compare);

    void SetObserver(ListViewObserver* observer) { observer_ = observer; }

private:
    // Indexes 0 to RowCount() - 1, the order before a sort.
    std::vector<int> Unsorted() const;
    // Puts the row that stood at `from[r]` at r, and tells the observer.
    void Reorder(const std::vector<int>& from);

    std::vector<Row> rows_;
    ListViewObserver* observer_ = nullptr;
};

template <typename Less>
void ListViewControl::Sort(Less less) {
    std::vector<int> from = Unsorted();
    std::stable_sort(from.begin(), from.end(),
                     [&](int a, int b) { return less(rows_[a], rows_[b]); });
    Reorder(from);
}
