#pragma once

#include "platform/acm/truespeech/model.h"

#include <array>
#include <cstdint>
#include <span>

namespace kivo::truespeech {

// Analysis by synthesis against the decoder model: after each frame the encoder's state is the
// state any exact decoder reaches, and its reconstruction is what that decoder will output.
class Encoder {
public:
    std::array<uint8_t, kFrameBytes> EncodeFrame(std::span<const int16_t, kFrameSamples> in,
                                                 std::span<int16_t, kFrameSamples> reconstruction);
    std::array<uint8_t, kFrameBytes> EncodeFrame(std::span<const int16_t, kFrameSamples> in);

private:
    DecoderState state_;
};

}  // namespace kivo::truespeech
