#include "platform/wab/contents_table.h"

#include "platform/wab/property_copy.h"

#include <algorithm>
#include <vector>

namespace kivo::wab {

namespace {

// The columns of a new table, as SetColumns would set them.
const std::vector<uint32_t> kDefaultColumns = {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE};

}  // namespace

ContentsTable::ContentsTable(std::shared_ptr<const Session> session)
    : session_(std::move(session)), columns_(kDefaultColumns) {}

HRESULT ContentsTable::SetColumns(const SPropTagArray* tags, uint32_t flags) {
    if (flags != 0)
        return MAPI_E_UNKNOWN_FLAGS;
    if (tags == nullptr || tags->cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    columns_ = TagList(*tags);
    return S_OK;
}

HRESULT ContentsTable::SeekRow(uint32_t bookmark, int32_t rowCount, int32_t* rowsSought) {
    int64_t rows = static_cast<int64_t>(session_->book->Entries().size());
    int64_t base;
    switch (bookmark) {
        case BOOKMARK_BEGINNING:
            base = 0;
            break;
        case BOOKMARK_CURRENT:
            base = static_cast<int64_t>(cursor_);
            break;
        case BOOKMARK_END:
            base = rows;
            break;
        default:
            return MAPI_E_INVALID_BOOKMARK;
    }
    int64_t target = std::clamp<int64_t>(base + rowCount, 0, rows);
    cursor_ = static_cast<size_t>(target);
    if (rowsSought)
        *rowsSought = static_cast<int32_t>(target - base);
    return S_OK;
}

void ContentsTable::FreeRows(SRowSet* rows, uint32_t filled) {
    for (uint32_t i = 0; i < filled; ++i)
        session_->allocator->Free(rows->aRow[i].lpProps);
    session_->allocator->Free(rows);
}

HRESULT ContentsTable::QueryRows(int32_t rowCount, uint32_t flags, SRowSet** rows) {
    if (rows == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *rows = nullptr;
    if (flags != 0)
        return MAPI_E_UNKNOWN_FLAGS;
    if (rowCount <= 0)
        return MAPI_E_INVALID_PARAMETER;
    const auto& entries = session_->book->Entries();
    uint32_t n = static_cast<uint32_t>(
        std::min<size_t>(static_cast<size_t>(rowCount), entries.size() - cursor_));
    void* buffer = nullptr;
    if (HRESULT hr = session_->allocator->Allocate(static_cast<uint32_t>(RowSetSize(n)), &buffer);
        hr != S_OK)
        return hr;
    auto* set = static_cast<SRowSet*>(buffer);
    for (uint32_t i = 0; i < n; ++i) {
        SRow& row = set->aRow[i];
        HRESULT hr = CopyProperties(*session_->allocator, entries[cursor_ + i].props,
                                    columns_.get(), &row.cValues, &row.lpProps);
        if (hr < 0) {
            FreeRows(set, i);
            return hr;
        }
    }
    set->cRows = n;
    cursor_ += n;
    *rows = set;
    return S_OK;
}

}  // namespace kivo::wab
