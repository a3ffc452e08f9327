#pragma once

// Test material: speech synthesised at test time and signal measures.

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::truespeech::testing {

// Speech of the given text, 8000 Hz mono; empty when the tools are missing.
std::vector<int16_t> SynthesiseSpeech(const std::string& text);
std::vector<int16_t> TwoTones(int samples);
// Mean SNR over 160-sample segments whose input RMS is at least 100, each clamped to [-10, 35].
double SegmentalSnr(const std::vector<int16_t>& input, const std::vector<int16_t>& output);

}  // namespace kivo::truespeech::testing
