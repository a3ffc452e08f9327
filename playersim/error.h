#pragma once

#include <cstdint>

namespace kivo::playersim {

// Why the player could not be reached or did not answer; the driver layer turns it into its
// own last-error code. The values cross the socket to kivo-player.
enum class Error : uint32_t {
    kNone = 0,
    // Another client holds the player.
    kBusy = 1,
    // Nothing answers where the player should be.
    kNoPlayer = 2,
    // The player did not answer within the timeout.
    kTimeout = 3,
    // The connection was lost in the middle of an exchange.
    kConnectionLost = 4,
};

}  // namespace kivo::playersim
