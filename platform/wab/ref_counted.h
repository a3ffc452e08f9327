#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace kivo::wab {

// The reference count behind Release: an object is created with one reference, held by the
// caller it is handed to, and deletes itself when the last one goes.
template <typename Interface>
class RefCounted : public Interface {
public:
    uint32_t Release() override {
        if (--references_ > 0)
            return references_;
        delete this;
        return 0;
    }

private:
    uint32_t references_ = 1;
};

// Hands a new object to a caller, who owns it through Release.
template <typename T, typename... Args>
T* NewObject(Args&&... args) {
    return std::make_unique<T>(std::forward<Args>(args)...).release();
}

}  // namespace kivo::wab
