#pragma once

#include "platform/wab/mapi.h"

#include <vector>

namespace kivo::wab {

// An owned tag list, laid out as SPropTagArray: the count, then the tags.
class TagList {
public:
    explicit TagList(const std::vector<uint32_t>& tags)
        : words_{static_cast<uint32_t>(tags.size())} {
        words_.insert(words_.end(), tags.begin(), tags.end());
    }
    explicit TagList(const SPropTagArray& tags)
        : TagList(std::vector<uint32_t>(tags.aulPropTag, tags.aulPropTag + tags.cValues)) {}

    const SPropTagArray* get() const {
        return reinterpret_cast<const SPropTagArray*>(words_.data());
    }

private:
    std::vector<uint32_t> words_;
};

}  // namespace kivo::wab
