#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/ref_counted.h"
#include "platform/wab/session.h"
#include "platform/wab/tag_list.h"

#include <vector>

namespace kivo::wab {

// The entries of the personal address book in file order, read through a cursor.
class ContentsTable final : public RefCounted<IMAPITable> {
public:
    explicit ContentsTable(std::shared_ptr<const Session> session);

    HRESULT SetColumns(const SPropTagArray* tags, uint32_t flags) override;
    HRESULT SeekRow(uint32_t bookmark, int32_t rowCount, int32_t* rowsSought) override;
    HRESULT QueryRows(int32_t rowCount, uint32_t flags, SRowSet** rows) override;

private:
    void FreeRows(SRowSet* rows, uint32_t filled);

    std::shared_ptr<const Session> session_;
    TagList columns_;
    size_t cursor_ = 0;
};

}  // namespace kivo::wab
