#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/property_copy.h"
#include "platform/wab/ref_counted.h"
#include "platform/wab/session.h"

namespace kivo::wab {

// A mail user or distribution list of the book, read-only.
template <typename Interface>
class EntryObject final : public RefCounted<Interface> {
public:
    EntryObject(std::shared_ptr<const Session> session, const Book::Entry& entry)
        : session_(std::move(session)), entry_(entry) {}

    HRESULT GetProps(const SPropTagArray* tags, uint32_t flags, uint32_t* count,
                     SPropValue** props) override {
        if (flags != 0)
            return MAPI_E_UNKNOWN_FLAGS;
        return CopyProperties(*session_->allocator, entry_.props, tags, count, props);
    }

private:
    std::shared_ptr<const Session> session_;
    const Book::Entry& entry_;
};

using MailUser = EntryObject<IMailUser>;
using DistList = EntryObject<IDistList>;

}  // namespace kivo::wab
