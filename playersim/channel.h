#pragma once

#include "playersim/device.h"
#include "playersim/error.h"
#include "playersim/session.h"

#include <cstdint>
#include <span>

// One opened channel to the player: moves bytes, applies the timeout and the wire speed, and
// says how long the PC waited, so that the driver sleeps that long on its own clock.
namespace kivo::playersim {

struct IoResult {
    bool ok = true;
    uint32_t done = 0;
    Error error = Error::kNone;
    uint32_t waitedMs = 0;
};

class Channel {
public:
    Channel(Device& device, Dialect dialect);

    IoResult Write(std::span<const uint8_t> bytes, uint32_t timeoutMs);
    IoResult Read(std::span<uint8_t> bytes, uint32_t timeoutMs);

private:
    // Counts bytes against an armed drop; false when the connection drops within `n`.
    bool Survives(uint32_t n, uint32_t& allowed);
    uint32_t WireTime(uint32_t bytes);
    IoResult Finish(IoResult result);

    Device& device_;
    Session session_;
    uint32_t bytesPerSecond_;
    uint64_t nowMs_ = 0;
    uint64_t wireMicros_ = 0;
    bool dropped_ = false;
};

}  // namespace kivo::playersim
