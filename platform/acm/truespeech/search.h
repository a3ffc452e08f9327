#pragma once

// The encoder's searches: floating point to rank candidates, while the decoder model alone
// decides what the state becomes.

#include "platform/acm/truespeech/filter_kernels.h"
#include "platform/acm/truespeech/model.h"

#include <array>
#include <cstdint>

namespace kivo::truespeech {

// Impulse responses of synthesis and post-filter together, from rest, of several filters with
// the same first reflection coefficient; each as it would be alone.
inline constexpr int kResponses = 4;
std::array<Signal, kResponses> ImpulseResponses(const std::array<Lpc, kResponses>& filters,
                                                int16_t k1);

// What the searches of every subframe with the same filter share: the impulse response and the
// correlations of its shifted copies, phi(a, b) = sum over k of h[k - a] h[k - b].
struct Response {
    Signal h;
    std::array<Signal, kSubframeSamples> byOffset;  // byOffset[a][k] = phi(a, a - k), k <= a
    Signal inverseEnergy;                           // 1 / phi(j, j); h[0] is never 0
    PaddedResponse padded;                          // h as the convolutions read it
};
Response PrepareResponse(const Signal& impulse);

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

PitchChoice SearchPitch(const std::array<int32_t, kHistory>& history, const Response& response,
                        const Signal& target, const PitchCandidates& candidates);

struct PulseChoice {
    uint16_t amplitudes = 0;
    uint16_t firstRank = 0;
    uint16_t secondRank = 0;
    uint8_t gain = 0;
};

PulseChoice SearchPulses(const Response& response, const Signal& target);

// Rank of sorted distinct positions 0..29 in the bitstream's combination numbering.
uint32_t PositionRank(std::span<const int> positions);

}  // namespace kivo::truespeech
