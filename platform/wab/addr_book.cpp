#include "platform/wab/addr_book.h"

#include "platform/wab/container.h"
#include "platform/wab/entry_id.h"
#include "platform/wab/entry_object.h"

#include <cstring>

namespace kivo::wab {

HRESULT AddrBook::GetPAB(uint32_t* size, ENTRYID** entryId) {
    if (size == nullptr || entryId == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *size = 0;
    *entryId = nullptr;
    std::string id = entry_id::Make(entry_id::kPersonalAddressBook);
    void* buffer = nullptr;
    if (HRESULT hr = session_->allocator->Allocate(entry_id::kSize, &buffer); hr != S_OK)
        return hr;
    std::memcpy(buffer, id.data(), entry_id::kSize);
    *size = entry_id::kSize;
    *entryId = static_cast<ENTRYID*>(buffer);
    return S_OK;
}

HRESULT AddrBook::OpenEntry(uint32_t size, const ENTRYID* entryId, const void* interfaceId,
                            uint32_t, uint32_t* objectType, IUnknown** object) {
    if (objectType == nullptr || object == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *objectType = 0;
    *object = nullptr;
    if (interfaceId != nullptr)
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    // No identifier names the root container, which is the personal address book here.
    uint32_t position = entry_id::kPersonalAddressBook;
    if (size != 0 || entryId != nullptr) {
        auto parsed = entry_id::Parse(reinterpret_cast<const uint8_t*>(entryId), size);
        if (!parsed)
            return MAPI_E_INVALID_ENTRYID;
        position = *parsed;
    }
    if (position == entry_id::kPersonalAddressBook) {
        *objectType = MAPI_ABCONT;
        *object = NewObject<Container>(session_);
        return S_OK;
    }
    const auto& entries = session_->book->Entries();
    if (position > entries.size())
        return MAPI_E_NOT_FOUND;
    const Book::Entry& entry = entries[position - 1];
    *objectType = entry.objectType;
    if (entry.objectType == MAPI_DISTLIST)
        *object = NewObject<DistList>(session_, entry);
    else
        *object = NewObject<MailUser>(session_, entry);
    return S_OK;
}

}  // namespace kivo::wab
