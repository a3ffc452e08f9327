#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivo::acm {

// Partial sums kept apart, so that the weighted sum runs in vector registers.
inline constexpr size_t kResamplerLanes = 16;

// The weights of one pair of rates and how the output frames step through the source.
struct ResamplerTable {
    uint64_t up;  // output frame k stands at source time k * down / up
    uint64_t down;
    uint64_t wholeStep;  // down / up and down % up: how far the time moves per output frame
    uint64_t restStep;
    uint64_t phases;      // weight rows, each for a fraction phase / phases of a frame
    int64_t firstOffset;  // first frame read, relative to the frame at or before the time
    size_t taps;
    size_t stride;                // row length: taps rounded up to whole groups of lanes
    std::vector<float> weights;   // phases rows of stride, zero beyond taps
    std::vector<uint32_t> rowOf;  // each phase's row
};

}  // namespace kivo::acm
