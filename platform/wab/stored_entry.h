#pragma once

#include "platform/wab/mapi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::wab {

// One property as an address-book file holds it. Texts of PT_UNICODE and PT_MV_UNICODE
// properties are UTF-8; PT_STRING8 and binary values keep their bytes.
struct StoredProperty {
    uint32_t tag = 0;
    int32_t number = 0;               // PT_I2, PT_LONG, PT_BOOLEAN
    std::string bytes;                // strings and PT_BINARY
    std::vector<std::string> values;  // multi-valued types

    static StoredProperty Number(uint32_t tag, int32_t number) {
        StoredProperty p;
        p.tag = tag;
        p.number = number;
        return p;
    }
    static StoredProperty Bytes(uint32_t tag, std::string bytes) {
        StoredProperty p;
        p.tag = tag;
        p.bytes = std::move(bytes);
        return p;
    }
};

// A contact or a distribution list read from a file, in file order.
struct StoredEntry {
    uint32_t objectType = MAPI_MAILUSER;
    std::vector<StoredProperty> props;
};

}  // namespace kivo::wab
