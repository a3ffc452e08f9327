#include "platform/wab/allocator.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kivo::wab {

Allocator::Block Allocator::NewBlock(uint32_t size) {
    size_t units =
        (std::max<size_t>(size, 1) + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    Block block(new (std::nothrow) std::max_align_t[units]);
    if (block)
        std::memset(block.get(), 0, units * sizeof(std::max_align_t));
    return block;
}

HRESULT Allocator::Allocate(uint32_t size, void** buffer) {
    if (buffer == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *buffer = nullptr;
    Block block = NewBlock(size);
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    void* root = block.get();
    try {
        chains_[root].push_back(std::move(block));
    } catch (const std::bad_alloc&) {
        chains_.erase(root);
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    *buffer = root;
    return S_OK;
}

HRESULT Allocator::More(uint32_t size, void* linkTo, void** buffer) {
    if (buffer == nullptr)
        return MAPI_E_INVALID_PARAMETER;
    *buffer = nullptr;
    if (auto link = linked_.find(linkTo); link != linked_.end())
        linkTo = link->second;
    auto chain = chains_.find(linkTo);
    if (chain == chains_.end())
        return MAPI_E_INVALID_PARAMETER;
    Block block = NewBlock(size);
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    void* more = block.get();
    try {
        linked_[more] = linkTo;
        chain->second.push_back(std::move(block));
    } catch (const std::bad_alloc&) {
        linked_.erase(more);
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    *buffer = more;
    return S_OK;
}

HRESULT Allocator::Free(void* buffer) {
    if (buffer == nullptr)
        return S_OK;
    auto chain = chains_.find(buffer);
    if (chain == chains_.end())
        return MAPI_E_INVALID_PARAMETER;
    for (size_t i = 1; i < chain->second.size(); ++i)
        linked_.erase(chain->second[i].get());
    chains_.erase(chain);
    return S_OK;
}

}  // namespace kivo::wab
