#pragma once

#include "platform/acm/truespeech/model.h"

#include <cstdint>
#include <span>

namespace kivo::truespeech {

// Our own decoder: the integer model frame after frame, state kept across calls.
class Decoder {
public:
    void DecodeFrame(std::span<const uint8_t, kFrameBytes> frame,
                     std::span<int16_t, kFrameSamples> out);
    // Decodes every whole frame of bytes; a partial tail is ignored. Returns the samples written.
    size_t Decode(std::span<const uint8_t> bytes, std::span<int16_t> out);

private:
    DecoderState state_;
};

}  // namespace kivo::truespeech
