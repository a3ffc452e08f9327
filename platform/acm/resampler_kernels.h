#pragma once

#include "platform/acm/api.h"

#include <cstdint>
#include <span>

namespace kivo::acm {

struct ResamplerTable;

// Where an output frame stands: at source time whole + rest / up of its table.
struct ResamplerTime {
    uint64_t whole;
    uint64_t rest;
};

// The weighted sums of a run of output frames, one into each of `sums`, from the frame at `time`
// on; `time` moves past them. `frames` holds source frame f at frames[f - origin] for every
// frame they read. Every kernel gives exactly what the portable one gives.
struct ResamplerKernel {
    const char* name;
    void (*run)(const ResamplerTable& table, ResamplerTime& time, const float* frames,
                int64_t origin, std::span<float> sums);
};

// The kernels this processor can run, the fastest first.
KIVO_ACM_API std::span<const ResamplerKernel> ResamplerKernels();

}  // namespace kivo::acm
