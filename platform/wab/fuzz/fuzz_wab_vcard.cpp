#include "platform/wab/vcard.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kivo::wab::ReadVCards(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
