#pragma once

// Test material: speech synthesised at test time and signal measures.

#include "platform/acm/testing/segmental_snr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::truespeech::testing {

// Speech of the given text, 8000 Hz mono; empty when the tools are missing.
std::vector<int16_t> SynthesiseSpeech(const std::string& text);
std::vector<int16_t> TwoTones(int samples);
// Shared with the other codecs' tests.
using acm::testing::SegmentalSnr;

}  // namespace kivo::truespeech::testing
