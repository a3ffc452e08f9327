#pragma once

#include "platform/wab/mapi.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kivo::wab {

// The address book's buffers. A buffer from More is chained to a root buffer and freed with it;
// Free takes only root buffers and refuses pointers it did not hand out.
class Allocator {
public:
    HRESULT Allocate(uint32_t size, void** buffer);
    HRESULT More(uint32_t size, void* linkTo, void** buffer);
    HRESULT Free(void* buffer);

    size_t RootCount() const { return chains_.size(); }

private:
    using Block = std::unique_ptr<std::max_align_t[]>;
    static Block NewBlock(uint32_t size);

    std::unordered_map<void*, std::vector<Block>> chains_;  // root -> its blocks, root first
    std::unordered_map<void*, void*> linked_;               // chained block -> its root
};

}  // namespace kivo::wab
