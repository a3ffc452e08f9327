// Any bytes, in chunks of any size, in any of the supported formats: no crash, no overrun.
#include "platform/acm/sc4/decoder.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static const uint32_t kRates[] = {8000, 11025, 16000, 32000};
    const uint32_t rate = kRates[data[0] & 3];
    const unsigned channels = (data[0] & 4) != 0 ? 2 : 1;
    const size_t chunk = 1 + data[1];
    auto decoder = kivo::sc4::Decoder::Create({rate, channels});
    if (!decoder)
        std::abort();

    std::vector<uint8_t> pending;
    std::vector<int16_t> out;
    for (size_t pos = 2; pos < size || !pending.empty();) {
        const size_t take = std::min(chunk, size - pos);
        pending.insert(pending.end(), data + pos, data + pos + take);
        pos += take;
        const bool last = pos == size;
        out.assign(2 * pending.size(), 0);
        const kivo::sc4::DecodeResult r = decoder->Decode(pending, out, last);
        if (r.consumed > pending.size() || r.samples > out.size() || r.skipped > r.consumed)
            std::abort();
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(r.consumed));
        if (last && r.consumed == 0)
            break;
    }
    return 0;
}
