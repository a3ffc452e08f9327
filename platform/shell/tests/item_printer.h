#pragma once

#include "platform/shell/item_id_list.h"

#include <ostream>

namespace kivo::shell {

// Readable items in test failures.
inline void PrintTo(const ItemIdList& item, std::ostream* out) {
    static const char* const kKinds[] = {"desktop", "file system", "virtual", "computer"};
    *out << kKinds[static_cast<int>(item.kind())] << " " << item.name() << " " << item.folder();
}

}  // namespace kivo::shell
