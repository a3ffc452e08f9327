#include "platform/acm/resampler.h"

#include "platform/acm/resampler_table.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <mutex>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

namespace kivo::acm {

namespace {

constexpr double kPassShare = 0.94;  // cutoff as a share of the lower Nyquist frequency
constexpr double kReach = 36;        // half the window, in periods of the lower rate
constexpr double kBeta = 7.0;        // window shape: about 70 dB below the passband beyond it
// Finer phases than this no longer change the output of 16-bit audio.
constexpr uint64_t kMaxPhases = 4096;
constexpr size_t kLanes = kResamplerLanes;

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

// Source frames either side of the output frame's time, and the frames read in all.
std::pair<double, int64_t> HalfWindow(uint32_t from, uint32_t to) {
    const double half = kReach * from / std::min(from, to);
    return {half, static_cast<int64_t>(std::ceil(half))};
}

std::shared_ptr<ResamplerTable> BuildTable(uint32_t from, uint32_t to) {
    auto t = std::make_shared<ResamplerTable>();
    const uint64_t common = std::gcd(from, to);
    t->up = to / common;
    t->down = from / common;
    t->wholeStep = t->down / t->up;
    t->restStep = t->down % t->up;
    if (from == to) {
        t->phases = 1;
        t->firstOffset = 0;
        t->taps = 1;
        t->stride = 1;
        t->weights = {1.0f};
        return t;
    }
    t->phases = std::min(t->up, kMaxPhases);
    const double cutoff = kPassShare * std::min(from, to) / (2.0 * from);  // cycles per frame
    const auto [half, reach] = HalfWindow(from, to);
    t->firstOffset = 1 - reach;
    t->taps = static_cast<size_t>(2 * reach);
    t->stride = (t->taps + kLanes - 1) / kLanes * kLanes;
    t->weights.assign(t->phases * t->stride, 0.0f);
    // With a row for every phase, the output frames take the rows in a fixed cycle; stored in
    // that order, they are read one after the other.
    t->rowOf.resize(t->phases);
    for (uint64_t row = 0, phase = 0; row < t->phases; ++row) {
        t->rowOf[phase] = static_cast<uint32_t>(row);
        phase = t->phases == t->up ? (phase + t->restStep) % t->up : row + 1;
    }
    const double norm = BesselI0(kBeta);
    std::vector<double> w(t->taps);
    for (uint64_t p = 0; p < t->phases; ++p) {
        const double fraction = static_cast<double>(p) / static_cast<double>(t->phases);
        double sum = 0;
        for (size_t i = 0; i < t->taps; ++i) {
            const double x =
                static_cast<double>(t->firstOffset + static_cast<int64_t>(i)) - fraction;
            const double r = x / half;
            w[i] = r * r >= 1 ? 0.0
                              : 2 * cutoff * Sinc(2 * cutoff * x) *
                                    BesselI0(kBeta * std::sqrt(1 - r * r)) / norm;
            sum += w[i];
        }
        // Unit gain at every phase, so that silence and a constant level stay as they are.
        float* row = t->weights.data() + t->rowOf[p] * t->stride;
        for (size_t i = 0; i < t->taps; ++i)
            row[i] = static_cast<float>(w[i] / sum);
    }
    return t;
}

std::shared_ptr<const ResamplerTable> SharedTable(uint32_t from, uint32_t to) {
    static std::mutex mutex;
    static std::map<std::pair<uint32_t, uint32_t>, std::weak_ptr<const ResamplerTable>> tables;
    // A program converts file after file at the same rates, one stream at a time.
    static std::shared_ptr<const ResamplerTable> latest;
    const std::lock_guard lock(mutex);
    auto& slot = tables[{from, to}];
    std::shared_ptr<const ResamplerTable> table = slot.lock();
    if (!table) {
        table = BuildTable(from, to);
        slot = table;
    }
    latest = table;
    return table;
}

}  // namespace

Resampler::Resampler(uint32_t from, uint32_t to) : table_(SharedTable(from, to)) {}

size_t Resampler::TapsFor(uint32_t from, uint32_t to) {
    return from == to ? 1 : static_cast<size_t>(2 * HalfWindow(from, to).second);
}

int64_t Resampler::First(uint64_t outputFrame) const {
    return static_cast<int64_t>(outputFrame * table_->down / table_->up) + table_->firstOffset;
}

size_t Resampler::Taps() const {
    return table_->taps;
}

size_t Resampler::Reach() const {
    return table_->stride;
}

bool Resampler::Within(uint64_t outputFrame, uint64_t sourceFrames) const {
    return outputFrame * table_->down < sourceFrames * table_->up;
}

uint64_t Resampler::Ready(uint64_t sourceFrames, bool last) const {
    const ResamplerTable& t = *table_;
    // Output frame k stands before source frame n while k * down < n * up.
    const auto before = [&](uint64_t n) { return (n * t.up + t.down - 1) / t.down; };
    if (last)
        return before(sourceFrames);
    // Its frames lie within them while the frame at or before its time is at most this.
    const int64_t lastTime =
        static_cast<int64_t>(sourceFrames) - t.firstOffset - static_cast<int64_t>(t.taps);
    return lastTime < 0 ? 0 : before(static_cast<uint64_t>(lastTime) + 1);
}

void Resampler::Sums(uint64_t outputFrame, const float* frames, int64_t origin,
                     std::span<float> sums, const ResamplerKernel& kernel) const {
    ResamplerTime time{outputFrame * table_->down / table_->up,
                       outputFrame * table_->down % table_->up};
    kernel.run(*table_, time, frames, origin, sums);
}

}  // namespace kivo::acm
