#pragma once

// The decoder's integer model, split into the steps that the encoder also runs, so that both
// sides hold the same state sample for sample.

#include "platform/acm/truespeech/frame.h"
#include "platform/acm/truespeech/tables.h"

#include <array>
#include <cstdint>
#include <span>

namespace kivo::truespeech {

using Lpc = std::array<int16_t, kOrder>;  // direct-form coefficients, Q12
using SubframeSamples = std::array<int16_t, kSubframeSamples>;

// What the synthesis filter and the post-filter remember, each newest first. The post-filter's
// zeros read the synthesis filter's outputs, so they share its memory.
struct FilterMemory {
    std::array<int16_t, kOrder> synthesis{};  // last outputs of 1/A(z)
    std::array<int16_t, kOrder> poles{};      // last outputs of the post-filter poles
};

struct DecoderState {
    std::array<int32_t, kHistory> history{};  // excitation, newest last; read as int16
    Lpc previous{};                           // last frame's filter
    FilterMemory filters;
};

struct FrameFilters {
    int16_t k1 = 0;  // first reflection coefficient, also steers the tilt
    Lpc lpc{};       // the frame's own filter
    std::array<Lpc, kSubframes> subframe{};
};

// Reflection coefficients (Q15) to the bandwidth-expanded direct form.
Lpc StepUp(const std::array<int16_t, kOrder>& k);
FrameFilters SetupFrame(const Lpc& previous, const std::array<uint8_t, kOrder>& reflection,
                        bool interpolate);

int PitchLag(int base, int code);
// The adaptive-codebook part of a subframe, with code t = 25 * lag offset + gain pair.
SubframeSamples PitchContribution(const std::array<int32_t, kHistory>& history, int lag,
                                  int gainPair);
SubframeSamples SubframePitch(const std::array<int32_t, kHistory>& history, int base, int code);
SubframeSamples PulseVector(uint16_t amplitudes, uint32_t firstRank, uint32_t secondRank, int gain);

// Synthesis and post-filter of one subframe's excitation.
SubframeSamples Synthesise(FilterMemory& memory, const Lpc& filter, int16_t k1,
                           const SubframeSamples& excitation);
// Excitation, history update, synthesis and post-filter of one subframe.
SubframeSamples RunSubframe(DecoderState& state, const Lpc& filter, int16_t k1,
                            const SubframeSamples& pitch, const SubframeSamples& pulses);

// Decodes a frame whose filters are already set up; ends by keeping the frame's filter.
void RunFrame(DecoderState& state, const FrameFields& fields, const FrameFilters& filters,
              std::span<int16_t, kFrameSamples> out);

}  // namespace kivo::truespeech
