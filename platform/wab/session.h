#pragma once

#include "platform/wab/allocator.h"
#include "platform/wab/book.h"

#include <memory>

namespace kivo::wab {

// What the objects of one WABOpen share: the opened file and the allocator of their buffers.
struct Session {
    std::shared_ptr<const Book> book;
    std::shared_ptr<Allocator> allocator = std::make_shared<Allocator>();
};

}  // namespace kivo::wab
