#pragma once

#include "link/common/status.h"

#include <cstdint>

namespace kivo::link {

// One driver's way to the player. Open reads the timeout (and any mode) from the link state
// the channel was made for; a failed transfer is recovered inside the channel as its driver
// needs, and the caller then ends the exchange with Close.
class Channel {
public:
    virtual ~Channel() = default;
    virtual LinkStatus Open() = 0;
    virtual LinkStatus Close() = 0;
    virtual LinkStatus Write(const void* buffer, uint32_t length, const char* label) = 0;
    // One logical read of `length` bytes.
    virtual LinkStatus Read(void* buffer, uint32_t length, const char* label) = 0;
    // Bounds the following transfers of the open channel.
    virtual void SetTimeout(uint32_t ms) = 0;
};

}  // namespace kivo::link
