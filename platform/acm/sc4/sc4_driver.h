#pragma once

// The compression-manager driver of SC4 (tag 0x0350): encodes from 16-bit PCM of the same rate
// and channel count, decodes to 16-bit PCM of any rate and channel count (other rates and
// channel counts than the recording's through the PCM driver's stream).

#include "platform/acm/driver.h"
#include "platform/acm/sc4/format.h"

#include <memory>

namespace kivo::sc4 {

// The format of an SC4 recording wrapped as a WAV file: 30-byte blocks, 0 bits per sample,
// and the samples per block as the one extra word.
WaveFormat Sc4Format(const StreamFormat& format);

// The PCM format an SC4 stream of this rate and channel count decodes to.
WaveFormat Sc4PcmFormat(const StreamFormat& format);

// Lists 16-bit mono PCM at 8000 samples per second first among its PCM formats: what the
// recorder's usual recordings decode to, and what the TrueSpeech encoder takes.
std::unique_ptr<AcmDriver> CreateSc4Driver();

}  // namespace kivo::sc4
