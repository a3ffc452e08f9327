// The text-pack parser: never crashes; what it accepts is UTF-8 and nothing half-parsed is kept
// after an error.
#include "platform/resources/pack.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::resources::ParsedPack pack =
        kivo::resources::ParsePack(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!pack.error.empty() && !pack.strings.empty())
        std::abort();
    return 0;
}
