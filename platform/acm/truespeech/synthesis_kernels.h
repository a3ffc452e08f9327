#pragma once

// The synthesis filter and post-filter of one subframe, in the integer arithmetic of the
// decoder: every kernel gives exactly what the portable one gives, and leaves the same memory.

#include "platform/acm/truespeech/model.h"

#include <span>

namespace kivo::truespeech {

struct SynthesisKernel {
    const char* name;
    SubframeSamples (*run)(FilterMemory& memory, const Lpc& filter, int16_t k1,
                           const SubframeSamples& excitation);
};

// The kernels this processor can run, the fastest first.
std::span<const SynthesisKernel> SynthesisKernels();

}  // namespace kivo::truespeech
