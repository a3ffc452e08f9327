#pragma once

// How closely a coded and decoded signal follows its input, for the codecs' tests and
// benchmarks.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivo::acm::testing {

// Mean SNR in dB over 160-sample segments whose reference RMS is at least 100, each segment's
// value held within [-10, 35] dB; over the shorter of the two signals; 0 without such segments.
inline double SegmentalSnr(const std::vector<int16_t>& reference,
                           const std::vector<int16_t>& decoded) {
    constexpr size_t kSegment = 160;
    double sum = 0;
    size_t segments = 0;
    const size_t n = std::min(reference.size(), decoded.size());
    for (size_t start = 0; start + kSegment <= n; start += kSegment) {
        double signal = 0;
        double noise = 0;
        for (size_t i = start; i < start + kSegment; ++i) {
            const double x = reference[i];
            const double e = x - decoded[i];
            signal += x * x;
            noise += e * e;
        }
        if (std::sqrt(signal / kSegment) < 100)
            continue;
        const double snr = noise == 0 ? 35.0 : 10 * std::log10(signal / noise);
        sum += std::clamp(snr, -10.0, 35.0);
        ++segments;
    }
    return segments == 0 ? 0 : sum / static_cast<double>(segments);
}

}  // namespace kivo::acm::testing
