#pragma once

#include "platform/acm/truespeech/tables.h"

#include <array>
#include <cstdint>
#include <span>

namespace kivo::truespeech {

// The fields of one 32-byte frame.
struct FrameFields {
    std::array<uint8_t, kOrder> reflection{};       // codebook index of k1..k8
    bool interpolate = false;                       // subframes 0 and 1 blend in the new filter
    std::array<uint8_t, 2> lagBase{};               // B0 for subframes 0-1, B1 for 2-3
    std::array<uint8_t, kSubframes> pitch{};        // 25 * lag offset + gain pair, 127: none
    std::array<uint16_t, kSubframes> amplitudes{};  // 7 two-bit codes, pulse 0 on top
    std::array<uint16_t, kSubframes> firstRank{};   // positions of the 3 pulses in 0..29
    std::array<uint16_t, kSubframes> secondRank{};  // positions of the 4 pulses in 30..59
    std::array<uint8_t, kSubframes> pulseGain{};

    bool operator==(const FrameFields&) const = default;
};

FrameFields UnpackFrame(std::span<const uint8_t, kFrameBytes> bytes);
std::array<uint8_t, kFrameBytes> PackFrame(const FrameFields& fields);

}  // namespace kivo::truespeech
