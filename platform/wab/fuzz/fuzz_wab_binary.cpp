#include "platform/wab/wab_binary.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> file(data, size);
    if (kivo::wab::WabSignatureOf(file) == kivo::wab::WabSignature::Current)
        kivo::wab::ReadWabBinary(file);
    return 0;
}
