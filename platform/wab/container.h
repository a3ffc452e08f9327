#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/ref_counted.h"
#include "platform/wab/session.h"

namespace kivo::wab {

// The personal address book: the one container, holding every entry of the file.
class Container final : public RefCounted<IABContainer> {
public:
    explicit Container(std::shared_ptr<const Session> session) : session_(std::move(session)) {}

    HRESULT GetProps(const SPropTagArray* tags, uint32_t flags, uint32_t* count,
                     SPropValue** props) override;
    HRESULT GetContentsTable(uint32_t flags, IMAPITable** table) override;

private:
    std::shared_ptr<const Session> session_;
};

}  // namespace kivo::wab
