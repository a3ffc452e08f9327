#pragma once

#include "platform/wab/allocator.h"
#include "platform/wab/mapi.h"
#include "platform/wab/stored_entry.h"

#include <vector>

namespace kivo::wab {

// Copies properties into one buffer of the allocator, their strings and arrays chained to it.
// With no tag list every property is copied; with one, each asked tag in its order, a tag that
// the object lacks (or holds with another type) as a PT_ERROR value of MAPI_E_NOT_FOUND, and
// the result is then MAPI_W_ERRORS_RETURNED.
HRESULT CopyProperties(Allocator& allocator, const std::vector<StoredProperty>& props,
                       const SPropTagArray* tags, uint32_t* count, SPropValue** values);

}  // namespace kivo::wab
