#pragma once

#include "platform/acm/sc4/encoder.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace kivo::link::testing {

// A mono 8 kHz recording as the player makes it: the 48-byte header, then SC4 blocks of a
// tone lasting `seconds`.
inline std::vector<uint8_t> Sc4Recording(unsigned seconds = 2) {
    constexpr uint32_t kRate = 8000;
    std::vector<int16_t> pcm(kRate * seconds);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(8000 * std::sin(static_cast<double>(i) * 0.3));
    auto encoder = sc4::Encoder::Create({kRate, 1});
    std::vector<uint8_t> data(pcm.size());
    data.resize(encoder->Encode(pcm, data, true).bytes);

    std::vector<uint8_t> file;
    auto text = [&](const char* four) { file.insert(file.end(), four, four + 4); };
    auto le = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    const auto size = static_cast<uint32_t>(data.size());
    text("RIFF");
    le(size + 40, 4);
    text("WAVE");
    text("fmt ");
    le(20, 4);
    le(sc4::kFormatTag, 2);
    le(1, 2);
    le(kRate, 4);
    le(kRate * 30 / 58, 4);
    le(30, 2);
    le(0, 2);
    le(2, 2);
    le(58, 2);
    text("data");
    le(size, 4);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

}  // namespace kivo::link::testing
