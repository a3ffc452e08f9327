#pragma once

// The encoder's searches: floating point to rank candidates, while the decoder model alone
// decides what the state becomes.

#include "platform/acm/truespeech/model.h"

#include <array>
#include <cstdint>

namespace truespeech {

using Signal = std::array<float, kSubframeSamples>;

// Impulse response of synthesis and post-filter together, from rest.
Signal ImpulseResponse(const Lpc& filter, int16_t k1);
// Zero-state filtering by h, cut at the subframe's end.
Signal Convolve(const Signal& h, const Signal& u);

struct PitchCandidates {
    int lowLag = kMinLag;
    int highLag = kMaxLag;
    int restrictedLag = -1;  // only the first two gain pairs reach this lag
};

struct PitchChoice {
    int lag = 0;
    int gainPair = -1;  // -1: no pitch
    SubframeSamples contribution{};
    Signal filtered{};
};

PitchChoice SearchPitch(const std::array<int32_t, kHistory>& history, const Signal& h,
                        const Signal& target, const PitchCandidates& candidates);

struct PulseChoice {
    uint16_t amplitudes = 0;
    uint16_t firstRank = 0;
    uint16_t secondRank = 0;
    uint8_t gain = 0;
};

PulseChoice SearchPulses(const Signal& h, const Signal& target);

// Rank of sorted distinct positions 0..29 in the bitstream's combination numbering.
uint32_t PositionRank(std::span<const int> positions);

}  // namespace truespeech
