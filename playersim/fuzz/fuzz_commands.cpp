// Feeds arbitrary PC bytes to the player's command parser in both dialects, reading its
// answers between writes the way a PC would.

#include "playersim/channel.h"
#include "playersim/store.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    kivo::playersim::Device device(kivo::playersim::MakeMemoryStore());
    device.bytesPerSecond = 0;
    device.player.SetFlashUnits(64);
    // The first byte picks the dialect and how much the PC reads after each write.
    const auto dialect =
        (data[0] & 1) != 0 ? kivo::playersim::Dialect::kUsb : kivo::playersim::Dialect::kParallel;
    const size_t piece = 1 + (data[0] >> 1);
    kivo::playersim::Channel channel(device, dialect);
    std::vector<uint8_t> answer(17000);
    for (size_t at = 1; at < size; at += piece) {
        const size_t n = std::min(piece, size - at);
        channel.Write({data + at, n}, {100, 0, std::nullopt});
        channel.Read({answer.data(), std::min<size_t>(answer.size(), n * 64)},
                     {100, 0, std::nullopt});
        channel.Read({answer.data(), 1}, {100, 0, std::nullopt});
    }
    return 0;
}
