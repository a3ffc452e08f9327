#pragma once

#include "playersim/device.h"
#include "playersim/error.h"
#include "playersim/session.h"

#include <cstdint>
#include <optional>
#include <span>

// One opened channel to the player: moves bytes, applies the timeout and the wire speed, and
// says how long the PC waited, so that the driver sleeps that long on its own clock.
namespace kivo::playersim {

// What the PC gives with each transfer: its timeout, its clock, and with a USB read the
// continuation flag (none for the parallel port's reads and the USB short reads).
struct IoCall {
    uint32_t timeoutMs = 0;
    uint64_t clockMs = 0;
    std::optional<uint32_t> more;
};

struct IoResult {
    bool ok = true;
    uint32_t done = 0;
    Error error = Error::kNone;
    uint32_t waitedMs = 0;
};

class Channel {
public:
    Channel(Device& device, Dialect dialect);

    IoResult Write(std::span<const uint8_t> bytes, const IoCall& call);
    IoResult Read(std::span<uint8_t> bytes, const IoCall& call);
    // The PC closes the channel; `clean` as in Endpoint::Close.
    void Close(bool clean) { session_.Close(clean); }

private:
    // Counts bytes against an armed drop; false when the connection drops within `n`.
    bool Survives(uint32_t n, uint32_t& allowed);
    uint32_t WireTime(uint32_t bytes);
    IoResult Finish(IoResult result);
    // A read that breaks a rule of the player's silences it, so that the read times out.
    void CheckRead(uint32_t wanted, const IoCall& call);

    Device& device_;
    Dialect dialect_;
    Session session_;
    uint32_t bytesPerSecond_;
    uint64_t nowMs_ = 0;
    uint64_t wireMicros_ = 0;
    bool dropped_ = false;
};

}  // namespace kivo::playersim
