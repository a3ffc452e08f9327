#pragma once

#include "platform/acm/testing/segmental_snr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::sc4::testing {

// Speech synthesised for the given text, resampled to `rate`, mono 16-bit.
std::vector<int16_t> SynthesiseSpeech(const std::string& text, uint32_t rate);

// One of two fixed English sentences (voice 0 or 1) at `rate`, synthesised once per process.
const std::vector<int16_t>& SpeechSample(uint32_t rate, int voice);

// Two mono signals as one interleaved stereo signal, the shorter padded with silence.
std::vector<int16_t> Interleave(const std::vector<int16_t>& left,
                                const std::vector<int16_t>& right);

// One channel of an interleaved signal.
std::vector<int16_t> Channel(const std::vector<int16_t>& pcm, unsigned channels, unsigned index);

// Shared with the other codecs' tests.
using acm::testing::SegmentalSnr;

}  // namespace kivo::sc4::testing
