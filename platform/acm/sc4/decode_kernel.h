#pragma once

#include "platform/acm/sc4/channel.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace kivo::sc4 {

// Decodes a run of codes (one 4-bit code per byte) through one channel's state, writing each
// sample `stride` values after the one before. Every kernel gives exactly what DecodeCode gives
// code by code, and leaves the same state.
struct DecodeKernel {
    const char* name;
    void (*run)(ChannelState& state, std::span<const uint8_t> codes, int16_t* out, size_t stride);
};

// The kernels this processor can run, the fastest first.
std::span<const DecodeKernel> DecodeKernels();

}  // namespace kivo::sc4
