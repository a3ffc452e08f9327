#include "platform/acm/truespeech/decoder.h"

#include <algorithm>

namespace kivo::truespeech {

void Decoder::DecodeFrame(std::span<const uint8_t, kFrameBytes> frame,
                          std::span<int16_t, kFrameSamples> out) {
    const FrameFields fields = UnpackFrame(frame);
    const FrameFilters filters = SetupFrame(state_.previous, fields.reflection, fields.interpolate);
    RunFrame(state_, fields, filters, out);
}

size_t Decoder::Decode(std::span<const uint8_t> bytes, std::span<int16_t> out) {
    const size_t frames = std::min(bytes.size() / kFrameBytes, out.size() / kFrameSamples);
    for (size_t n = 0; n < frames; ++n) {
        DecodeFrame(bytes.subspan(n * kFrameBytes).first<kFrameBytes>(),
                    out.subspan(n * kFrameSamples).first<kFrameSamples>());
    }
    return frames * kFrameSamples;
}

}  // namespace kivo::truespeech
