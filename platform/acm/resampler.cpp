#include "platform/acm/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <mutex>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kivo::acm {

struct ResamplerTable {
    uint64_t up;  // output frame k stands at source time k * down / up
    uint64_t down;
    uint64_t wholeStep;  // down / up and down % up: how far the time moves per output frame
    uint64_t restStep;
    uint64_t phases;      // weight rows, each for a fraction phase / phases of a frame
    int64_t firstOffset;  // first frame read, relative to the frame at or before the time
    size_t taps;
    size_t stride;               // row length: taps rounded up to whole groups of kLanes
    std::vector<float> weights;  // phases rows of stride, zero beyond taps
};

namespace {

constexpr double kPassShare = 0.94;  // cutoff as a share of the lower Nyquist frequency
constexpr double kReach = 36;        // half the window, in periods of the lower rate
constexpr double kBeta = 7.0;        // window shape: about 70 dB below the passband beyond it
// Finer phases than this no longer change the output of 16-bit audio.
constexpr uint64_t kMaxPhases = 4096;
// Partial sums kept apart, so that the weighted sum runs in vector registers.
constexpr size_t kLanes = 16;

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
        float* row = t->weights.data() + p * t->stride;
        for (size_t i = 0; i < t->taps; ++i)
            row[i] = static_cast<float>(w[i] / sum);
    }
    return t;
}

// Partial sums, kLanes for the even groups and kLanes for the odd ones, added up in a fixed
// order: the same result whichever instructions the compiler picks for it.
[[gnu::always_inline]] inline float WeightedSum(const float* w, const float* x, size_t n) {
    float even[kLanes] = {};
    float odd[kLanes] = {};
    size_t i = 0;
    for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
        for (size_t j = 0; j < kLanes; ++j) {
            even[j] += w[i + j] * x[i + j];
            odd[j] += w[i + kLanes + j] * x[i + kLanes + j];
        }
    }
    if (i < n) {
        for (size_t j = 0; j < kLanes; ++j)
            even[j] += w[i + j] * x[i + j];
    }
    float sum[kLanes];
    for (size_t j = 0; j < kLanes; ++j)
        sum[j] = even[j] + odd[j];
    float quarter[4];
    for (size_t j = 0; j < 4; ++j)
        quarter[j] = (sum[j] + sum[j + 8]) + (sum[j + 4] + sum[j + 12]);
    return (quarter[0] + quarter[2]) + (quarter[1] + quarter[3]);
}

// The same for a row symmetric about its centre: w[d] weighs both x[d] and x[-d], so each
// pair of frames is added before it is weighed, half the products of WeightedSum. The partial
// sums of whole groups come from `groups`, the rest is added here.
template <typename Groups>
[[gnu::always_inline]] inline float FoldedSum(const float* w, const float* x, size_t folds,
                                              Groups groups) {
    float acc[kLanes] = {};
    const size_t d = groups(w, x, folds, acc);
    float rest = w[0] * x[0];
    for (size_t e = d; e <= folds; ++e)
        rest += w[e] * (x[e] + x[-static_cast<std::ptrdiff_t>(e)]);
    float quarter[4];
    for (size_t j = 0; j < 4; ++j)
        quarter[j] = (acc[j] + acc[j + 8]) + (acc[j + 4] + acc[j + 12]);
    return ((quarter[0] + quarter[2]) + (quarter[1] + quarter[3])) + rest;
}

// acc[j] gathers w[d + j] * (x[d + j] + x[-d - j]) over the whole groups of kLanes from d = 1
// on; returns the first d left over.
size_t FoldGroupsPortable(const float* w, const float* x, size_t folds, float* acc) {
    size_t d = 1;
    for (; d + kLanes <= folds + 1; d += kLanes) {
        for (size_t j = 0; j < kLanes; ++j)
            acc[j] += w[d + j] * (x[d + j] + x[-static_cast<std::ptrdiff_t>(d + j)]);
    }
    return d;
}

struct SumFunctions {
    float (*weighted)(const float* w, const float* x, size_t n);
    float (*folded)(const float* w, const float* x, size_t folds);
};

float WeightedSumPortable(const float* w, const float* x, size_t n) {
    return WeightedSum(w, x, n);
}
float FoldedSumPortable(const float* w, const float* x, size_t folds) {
    return FoldedSum(w, x, folds, FoldGroupsPortable);
}

#if defined(__x86_64__)
[[gnu::target("avx2")]] float WeightedSumAvx2(const float* w, const float* x, size_t n) {
    return WeightedSum(w, x, n);
}

// As FoldGroupsPortable, the frames before the centre loaded eight at a time and reversed.
[[gnu::target("avx2")]] size_t FoldGroupsAvx2(const float* w, const float* x, size_t folds,
                                              float* acc) {
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    __m256 low = _mm256_setzero_ps();
    __m256 high = _mm256_setzero_ps();
    size_t d = 1;
    for (; d + kLanes <= folds + 1; d += kLanes) {
        const __m256 before = _mm256_permutevar8x32_ps(
            _mm256_loadu_ps(x - static_cast<std::ptrdiff_t>(d + 7)), reverse);
        const __m256 beforeHigh = _mm256_permutevar8x32_ps(
            _mm256_loadu_ps(x - static_cast<std::ptrdiff_t>(d + 15)), reverse);
        low = _mm256_add_ps(low, _mm256_mul_ps(_mm256_loadu_ps(w + d),
                                               _mm256_add_ps(_mm256_loadu_ps(x + d), before)));
        high = _mm256_add_ps(high,
                             _mm256_mul_ps(_mm256_loadu_ps(w + d + 8),
                                           _mm256_add_ps(_mm256_loadu_ps(x + d + 8), beforeHigh)));
    }
    _mm256_storeu_ps(acc, low);
    _mm256_storeu_ps(acc + 8, high);
    return d;
}

[[gnu::target("avx2")]] float FoldedSumAvx2(const float* w, const float* x, size_t folds) {
    return FoldedSum(w, x, folds, FoldGroupsAvx2);
}
#endif

SumFunctions BestSums() {
#if defined(__x86_64__)
    __builtin_cpu_init();  // this runs while the library loads, maybe before the compiler's own
    if (__builtin_cpu_supports("avx2"))
        return {WeightedSumAvx2, FoldedSumAvx2};
#endif
    return {WeightedSumPortable, FoldedSumPortable};
}

const SumFunctions kSums = BestSums();

std::shared_ptr<const ResamplerTable> SharedTable(uint32_t from, uint32_t to) {
    static std::mutex mutex;
    static std::map<std::pair<uint32_t, uint32_t>, std::weak_ptr<const ResamplerTable>> tables;
    const std::lock_guard lock(mutex);
    auto& slot = tables[{from, to}];
    std::shared_ptr<const ResamplerTable> table = slot.lock();
    if (!table) {
        table = BuildTable(from, to);
        slot = table;
    }
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

Resampler::Cursor::Cursor(const ResamplerTable& table, uint64_t outputFrame)
    : table_(&table),
      whole_(outputFrame * table.down / table.up),
      rest_(outputFrame * table.down % table.up) {}

int64_t Resampler::Cursor::First() const {
    return static_cast<int64_t>(whole_) + table_->firstOffset;
}

float Resampler::Cursor::Apply(const float* frames) const {
    const ResamplerTable& t = *table_;
    if (t.stride == 1)
        return t.weights[0] * frames[0];
    // With one phase every output frame stands on a source frame, the row's centre, and the
    // row is symmetric about it.
    if (t.phases == 1) {
        const auto centre = static_cast<size_t>(-t.firstOffset);
        return kSums.folded(t.weights.data() + centre, frames + centre, centre);
    }
    const uint64_t phase = t.phases == t.up ? rest_ : rest_ * t.phases / t.up;
    return kSums.weighted(t.weights.data() + phase * t.stride, frames, t.stride);
}

void Resampler::Cursor::Next() {
    whole_ += table_->wholeStep;
    rest_ += table_->restStep;
    if (rest_ >= table_->up) {
        rest_ -= table_->up;
        ++whole_;
    }
}

}  // namespace kivo::acm
