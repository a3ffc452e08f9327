#pragma once

// The compression-manager driver of TrueSpeech (tag 0x0022): encodes 16-bit mono 8000 Hz PCM
// with our encoder and decodes with our decoder.

#include "platform/acm/driver.h"

#include <memory>

namespace kivo::truespeech {

// The format as recorded files carry it: 32-byte blocks of 240 samples and 32 bytes of extra data.
WaveFormat TrueSpeechFormat();
// Its PCM partner, the only PCM format the driver converts from or to.
WaveFormat TrueSpeechPcmFormat();

std::unique_ptr<AcmDriver> CreateTrueSpeechDriver();

}  // namespace kivo::truespeech
