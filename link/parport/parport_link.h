#pragma once

#include "link/common/link.h"
#include "link/parport/pxdll_channel.h"

namespace kivo::link::parport {

// parlink's state, its pxdll channel and its dialect, as one object.
struct ParportLink {
    LinkState state;
    PxdllChannel channel{state};
    Link link{state, channel, kParallelPortDialect};
};

}  // namespace kivo::link::parport
