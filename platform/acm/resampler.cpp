#include "platform/acm/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace kivo::acm {
namespace {

constexpr double kPassShare = 0.94;  // cutoff as a share of the lower Nyquist frequency
constexpr double kReach = 36;        // half the window, in periods of the lower rate
constexpr double kBeta = 7.0;        // window shape: about 70 dB below the passband beyond it
// Finer phases than this no longer change the output of 16-bit audio.
constexpr uint64_t kMaxPhases = 4096;

double BesselI0(double x) {
    double sum = 1;
    double term = 1;
    for (int k = 1; term > 1e-12 * sum; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

double Sinc(double x) {
    return x == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
}

}  // namespace

Resampler::Resampler(uint32_t from, uint32_t to) {
    const uint64_t common = std::gcd(from, to);
    up_ = to / common;
    down_ = from / common;
    if (from == to) {
        phases_ = 1;
        firstOffset_ = 0;
        taps_ = 1;
        weights_ = {1.0f};
        return;
    }
    phases_ = std::min(up_, kMaxPhases);
    const double lower = std::min(from, to);
    const double cutoff = kPassShare * lower / (2.0 * from);  // cycles per source frame
    const double half = kReach * from / lower;                // source frames either side
    const auto reach = static_cast<int64_t>(std::ceil(half));
    firstOffset_ = 1 - reach;
    taps_ = static_cast<size_t>(2 * reach);
    weights_.resize(phases_ * taps_);
    const double norm = BesselI0(kBeta);
    for (uint64_t p = 0; p < phases_; ++p) {
        const double fraction = static_cast<double>(p) / static_cast<double>(phases_);
        float* row = weights_.data() + p * taps_;
        double sum = 0;
        std::vector<double> w(taps_);
        for (size_t i = 0; i < taps_; ++i) {
            const double x = static_cast<double>(firstOffset_ + static_cast<int64_t>(i)) - fraction;
            const double r = x / half;
            w[i] = r * r >= 1 ? 0.0
                              : 2 * cutoff * Sinc(2 * cutoff * x) *
                                    BesselI0(kBeta * std::sqrt(1 - r * r)) / norm;
            sum += w[i];
        }
        // Unit gain at every phase, so that silence and a constant level stay as they are.
        for (size_t i = 0; i < taps_; ++i)
            row[i] = static_cast<float>(w[i] / sum);
    }
}

uint64_t Resampler::Phase(uint64_t outputFrame) const {
    return (outputFrame * down_ % up_) * phases_ / up_;
}

int64_t Resampler::First(uint64_t outputFrame) const {
    return static_cast<int64_t>(outputFrame * down_ / up_) + firstOffset_;
}

std::span<const float> Resampler::Weights(uint64_t outputFrame) const {
    return std::span(weights_).subspan(Phase(outputFrame) * taps_, taps_);
}

bool Resampler::Within(uint64_t outputFrame, uint64_t sourceFrames) const {
    return outputFrame * down_ < sourceFrames * up_;
}

}  // namespace kivo::acm
