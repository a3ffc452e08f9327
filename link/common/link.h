#pragma once

#include "link/common/channel.h"
#include "link/common/link_state.h"

#include <cstdint>

namespace kivo::link {

// Where the two link libraries' shared operations differ: fixed waits and the status reply.
struct LinkDialect {
    uint32_t versionLeadWaitMs;     // before the version command
    uint32_t initializeAckWaitMs;   // between an initialise and its acknowledgement
    uint32_t deleteAckWaitMs;       // between a delete and its acknowledgement
    uint32_t uploadProgressWaitMs;  // after each upload progress message
    uint32_t statusReplyTimeoutMs;  // 0: the status reply keeps the command's timeout
};

inline constexpr LinkDialect kParallelPortDialect{100, 0, 0, 0, 0};

// What every operation works on: the library's state, its channel and its dialect.
struct Link {
    LinkState& state;
    Channel& channel;
    const LinkDialect& dialect;
};

}  // namespace kivo::link
