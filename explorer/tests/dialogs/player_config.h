#pragma once

#include "drivers/test_hooks.h"

#include <cstdint>
#include <vector>

namespace kivo::dialogs::testing {

// The simulated player's "config.dat", which holds the play order; empty while it has none.
inline std::vector<uint8_t> PlayerConfigDat() {
    std::vector<uint8_t> bytes(260);
    uint32_t size = 0;
    if (PX_TestGetFile(2, bytes.data(), static_cast<uint32_t>(bytes.size()), &size) != 1)
        size = 0;
    bytes.resize(size);
    return bytes;
}

}  // namespace kivo::dialogs::testing
