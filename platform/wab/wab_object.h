#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/ref_counted.h"
#include "platform/wab/session.h"

namespace kivo::wab {

// The WAB object: the allocator's face to callers.
class WabObject final : public RefCounted<IWABObject> {
public:
    explicit WabObject(std::shared_ptr<const Session> session) : session_(std::move(session)) {}

    HRESULT AllocateBuffer(uint32_t size, void** buffer) override {
        return session_->allocator->Allocate(size, buffer);
    }
    HRESULT AllocateMore(uint32_t size, void* linkTo, void** buffer) override {
        return session_->allocator->More(size, linkTo, buffer);
    }
    HRESULT FreeBuffer(void* buffer) override { return session_->allocator->Free(buffer); }

private:
    std::shared_ptr<const Session> session_;
};

}  // namespace kivo::wab
