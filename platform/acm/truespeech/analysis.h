#pragma once

#include "platform/acm/truespeech/tables.h"

#include <array>
#include <cstdint>
#include <span>

namespace kivo::truespeech {

// LPC analysis of one frame: the codebook index of each reflection coefficient.
std::array<uint8_t, kOrder> AnalyseFrame(std::span<const int16_t, kFrameSamples> frame);

// Index of the codebook entry nearest to a Q15 value.
uint8_t NearestIndex(const Codebook& book, double value);

}  // namespace kivo::truespeech
