// The registry store parser: never crashes, and what it accepts is written back so that it
// reads the same again.
#include "platform/win/registry_store.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kivo::win::registry::store;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Store store;
    if (!Parse(text, store)) {
        if (!store.keys.empty())
            std::abort();
        return 0;
    }
    std::string written = Serialize(store);
    Store again;
    if (!Parse(written, again) || Serialize(again) != written)
        std::abort();
    for (const auto& [folded, key] : store.keys) {
        auto other = again.keys.find(folded);
        if (other == again.keys.end() || other->second.values != key.values)
            std::abort();
    }
    return 0;
}
