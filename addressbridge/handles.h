#pragma once

#include "platform/wab/mapi.h"
#include "platform/wab/module.h"

#include <memory>

namespace kivo::contactbridge {

// Owners of what the address-book library hands out.
struct ReleaseInterface {
    void operator()(IUnknown* object) const {
        if (object)
            object->Release();
    }
};
template <typename Interface>
using InterfaceRef = std::unique_ptr<Interface, ReleaseInterface>;

// A buffer of the WAB object's allocator.
struct FreeWabBuffer {
    IWABObject* allocator = nullptr;
    void operator()(void* buffer) const {
        if (allocator && buffer)
            allocator->FreeBuffer(buffer);
    }
};
template <typename T>
using WabBuffer = std::unique_ptr<T, FreeWabBuffer>;

struct UnloadLibrary {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = std::unique_ptr<HINSTANCE__, UnloadLibrary>;

}  // namespace kivo::contactbridge
