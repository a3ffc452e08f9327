#include "platform/wab/container.h"

#include "platform/wab/contents_table.h"
#include "platform/wab/property_copy.h"

namespace kivo::wab {

HRESULT Container::GetProps(const SPropTagArray* tags, uint32_t flags, uint32_t* count,
                            SPropValue** props) {
    if (flags != 0)
        return MAPI_E_UNKNOWN_FLAGS;
    return CopyProperties(*session_->allocator, session_->book->ContainerProps(), tags, count,
                          props);
}

HRESULT Container::GetContentsTable(uint32_t flags, IMAPITable** table) {
    if (table == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *table = nullptr;
    if (flags != 0)
        return MAPI_E_UNKNOWN_FLAGS;
    *table = NewObject<ContentsTable>(session_);
    return S_OK;
}

}  // namespace kivo::wab
