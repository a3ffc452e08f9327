#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/ref_counted.h"
#include "platform/wab/session.h"

namespace kivo::wab {

// The address-book object: the personal address book and its entries by identifier.
class AddrBook final : public RefCounted<IAddrBook> {
public:
    explicit AddrBook(std::shared_ptr<const Session> session) : session_(std::move(session)) {}

    HRESULT GetPAB(uint32_t* size, ENTRYID** entryId) override;
    HRESULT OpenEntry(uint32_t size, const ENTRYID* entryId, const void* interfaceId,
                      uint32_t flags, uint32_t* objectType, IUnknown** object) override;

private:
    std::shared_ptr<const Session> session_;
};

}  // namespace kivo::wab
