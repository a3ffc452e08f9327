// Any bytes are a valid stream: decoding must never fail, and every bit is a field.
#include "platform/acm/truespeech/decoder.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kivo::truespeech;
    const std::span<const uint8_t> bytes(data, size);
    std::vector<int16_t> out(size / kFrameBytes * kFrameSamples);
    Decoder decoder;
    if (decoder.Decode(bytes, out) != out.size()) {
        std::abort();
    }
    for (size_t n = 0; n + kFrameBytes <= size; n += kFrameBytes) {
        const auto frame = bytes.subspan(n).first<kFrameBytes>();
        const auto packed = PackFrame(UnpackFrame(frame));
        if (!std::equal(packed.begin(), packed.end(), frame.begin())) {
            std::abort();
        }
    }
    return 0;
}
