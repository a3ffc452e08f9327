#include "platform/acm/resampler_kernels.h"

#include "platform/acm/kernel_choice.h"

#include "platform/acm/resampler_table.h"

#include <array>
#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kivo::acm {
namespace {

constexpr size_t kLanes = kResamplerLanes;

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
// pair of frames is added before it is weighed, half the products of WeightedSum. Partial sums
// acc[j] gather w[d + j] * (x[d + j] + x[-d - j]) over the whole groups of kLanes from d = 1
// on, the frames left over are added one by one.
[[gnu::always_inline]] inline float FoldedSum(const float* w, const float* x, size_t folds) {
    float acc[kLanes] = {};
    size_t d = 1;
    for (; d + kLanes <= folds + 1; d += kLanes) {
        for (size_t j = 0; j < kLanes; ++j)
            acc[j] += w[d + j] * (x[d + j] + x[-static_cast<std::ptrdiff_t>(d + j)]);
    }
    float rest = w[0] * x[0];
    for (; d <= folds; ++d)
        rest += w[d] * (x[d] + x[-static_cast<std::ptrdiff_t>(d)]);
    float quarter[4];
    for (size_t j = 0; j < 4; ++j)
        quarter[j] = (acc[j] + acc[j + 8]) + (acc[j + 4] + acc[j + 12]);
    return ((quarter[0] + quarter[2]) + (quarter[1] + quarter[3])) + rest;
}

struct PortableSums {
    static float Weighted(const float* w, const float* x, size_t n) { return WeightedSum(w, x, n); }
    // Output frame k of the run stands at x + k * step.
    static void FoldedRun(const float* w, size_t folds, const float* x, size_t step,
                          std::span<float> sums) {
        for (float& sum : sums) {
            sum = FoldedSum(w, x, folds);
            x += step;
        }
    }
};

// The sums of a run through `Sums`; the loop over the run stays in one function, so that the
// work of neighbouring output frames overlaps.
template <typename Sums>
[[gnu::always_inline]] inline void Run(const ResamplerTable& t, ResamplerTime& time,
                                       const float* frames, int64_t origin, std::span<float> sums) {
    const float* weights = t.weights.data();
    const float* start = frames + (t.firstOffset - origin);
    if (t.stride == 1) {
        for (float& sum : sums)
            sum = weights[0] * start[time.whole++];
        return;
    }
    // With one phase every output frame stands on a source frame, the row's centre, and the
    // row is symmetric about it.
    if (t.phases == 1) {
        const auto centre = static_cast<size_t>(-t.firstOffset);
        Sums::FoldedRun(weights + centre, centre, start + time.whole + centre, t.wholeStep, sums);
        time.whole += t.wholeStep * sums.size();
        return;
    }
    for (float& sum : sums) {
        const uint64_t phase = t.phases == t.up ? time.rest : time.rest * t.phases / t.up;
        sum = Sums::Weighted(weights + t.rowOf[phase] * t.stride, start + time.whole, t.stride);
        time.whole += t.wholeStep;
        time.rest += t.restStep;
        if (time.rest >= t.up) {
            time.rest -= t.up;
            ++time.whole;
        }
    }
}

void RunPortable(const ResamplerTable& t, ResamplerTime& time, const float* frames, int64_t origin,
                 std::span<float> sums) {
    Run<PortableSums>(t, time, frames, origin, sums);
}

#if defined(__x86_64__)
// The partial sums of lanes 0-7 and 8-15 added up as WeightedSum and FoldedSum add them.
[[gnu::target("avx2"), gnu::always_inline]] inline float AddUp(__m256 low, __m256 high) {
    const __m256 eight = _mm256_add_ps(low, high);
    const __m128 four = _mm_add_ps(_mm256_castps256_ps128(eight), _mm256_extractf128_ps(eight, 1));
    const __m128 two = _mm_add_ps(four, _mm_movehl_ps(four, four));
    return _mm_cvtss_f32(_mm_add_ss(two, _mm_movehdup_ps(two)));
}

struct Avx2Sums {
    [[gnu::target("avx2")]] static float Weighted(const float* w, const float* x, size_t n) {
        __m256 even[2] = {_mm256_setzero_ps(), _mm256_setzero_ps()};
        __m256 odd[2] = {_mm256_setzero_ps(), _mm256_setzero_ps()};
        size_t i = 0;
        for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
            for (size_t h = 0; h < 2; ++h) {
                even[h] = _mm256_add_ps(even[h], _mm256_mul_ps(_mm256_loadu_ps(w + i + 8 * h),
                                                               _mm256_loadu_ps(x + i + 8 * h)));
                odd[h] =
                    _mm256_add_ps(odd[h], _mm256_mul_ps(_mm256_loadu_ps(w + i + kLanes + 8 * h),
                                                        _mm256_loadu_ps(x + i + kLanes + 8 * h)));
            }
        }
        if (i < n) {
            for (size_t h = 0; h < 2; ++h) {
                even[h] = _mm256_add_ps(even[h], _mm256_mul_ps(_mm256_loadu_ps(w + i + 8 * h),
                                                               _mm256_loadu_ps(x + i + 8 * h)));
            }
        }
        return AddUp(_mm256_add_ps(even[0], odd[0]), _mm256_add_ps(even[1], odd[1]));
    }

    // The whole groups of the folded sum: the frames before the centre loaded eight at a time
    // and reversed. Returns the first d left over.
    [[gnu::target("avx2")]] static size_t FoldGroups(const float* w, const float* x, size_t folds,
                                                     __m256& low, __m256& high) {
        const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
        low = _mm256_setzero_ps();
        high = _mm256_setzero_ps();
        size_t d = 1;
        for (; d + kLanes <= folds + 1; d += kLanes) {
            const __m256 before = _mm256_permutevar8x32_ps(
                _mm256_loadu_ps(x - static_cast<std::ptrdiff_t>(d + 7)), reverse);
            const __m256 beforeHigh = _mm256_permutevar8x32_ps(
                _mm256_loadu_ps(x - static_cast<std::ptrdiff_t>(d + 15)), reverse);
            low = _mm256_add_ps(low, _mm256_mul_ps(_mm256_loadu_ps(w + d),
                                                   _mm256_add_ps(_mm256_loadu_ps(x + d), before)));
            high = _mm256_add_ps(
                high, _mm256_mul_ps(_mm256_loadu_ps(w + d + 8),
                                    _mm256_add_ps(_mm256_loadu_ps(x + d + 8), beforeHigh)));
        }
        return d;
    }

    [[gnu::target("avx2")]] static float Folded(const float* w, const float* x, size_t folds) {
        __m256 low;
        __m256 high;
        size_t d = FoldGroups(w, x, folds, low, high);
        float rest = w[0] * x[0];
        for (; d <= folds; ++d)
            rest += w[d] * (x[d] + x[-static_cast<std::ptrdiff_t>(d)]);
        return AddUp(low, high) + rest;
    }

    // Eight output frames at a time: the products of the frames left over after the whole
    // groups, w[0] x[0] first, form a row of sixteen lanes for each frame; the rows turned into
    // columns add up in the scalar order for eight frames at once, without the wait for each
    // addition in turn.
    [[gnu::target("avx2")]] static void FoldedRun(const float* w, size_t folds, const float* x,
                                                  size_t step, std::span<float> sums) {
        const size_t d = 1 + folds / kLanes * kLanes;
        const size_t rest = folds + 1 - d;  // lanes 1 to rest hold w[e] (x[e] + x[-e]), e >= d
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
        const __m256i last = _mm256_set1_epi32(static_cast<int>(rest));
        // Lane l of the low half reads e = d - 1 + l, of the high half e = d + 7 + l.
        const __m256i lowMask =
            _mm256_cmpgt_epi32(_mm256_add_epi32(last, _mm256_set1_epi32(1)), lane);
        const __m256i highMask =
            _mm256_cmpgt_epi32(_mm256_sub_epi32(last, _mm256_set1_epi32(7)), lane);
        const __m256i lowBefore = _mm256_permutevar8x32_epi32(lowMask, reverse);
        const __m256i highBefore = _mm256_permutevar8x32_epi32(highMask, reverse);
        const __m256 lowWeights =
            _mm256_blend_ps(_mm256_maskload_ps(w + d - 1, lowMask), _mm256_broadcast_ss(w), 1);
        const __m256 highWeights = _mm256_maskload_ps(w + d + 7, highMask);
        const auto back = [](size_t e) { return -static_cast<std::ptrdiff_t>(e); };
        size_t k = 0;
        for (; k + 8 <= sums.size(); k += 8) {
            __m256 lows[8];
            __m256 highs[8];
            alignas(32) float groups[8];
            for (size_t j = 0; j < 8; ++j) {
                const float* at = x + (k + j) * step;
                __m256 low;
                __m256 high;
                FoldGroups(w, at, folds, low, high);
                groups[j] = AddUp(low, high);
                const __m256 lowPairs =
                    _mm256_add_ps(_mm256_maskload_ps(at + d - 1, lowMask),
                                  _mm256_permutevar8x32_ps(
                                      _mm256_maskload_ps(at + back(d + 6), lowBefore), reverse));
                lows[j] = _mm256_mul_ps(lowWeights,
                                        _mm256_blend_ps(lowPairs, _mm256_broadcast_ss(at), 1));
                highs[j] = _mm256_mul_ps(
                    highWeights,
                    _mm256_add_ps(_mm256_maskload_ps(at + d + 7, highMask),
                                  _mm256_permutevar8x32_ps(
                                      _mm256_maskload_ps(at + back(d + 14), highBefore), reverse)));
            }
            __m256 columns[16];
            Transpose(lows, columns);
            Transpose(highs, columns + 8);
            __m256 sum = columns[0];
            for (size_t l = 1; l <= rest; ++l)
                sum = _mm256_add_ps(sum, columns[l]);
            _mm256_storeu_ps(sums.data() + k, _mm256_add_ps(_mm256_load_ps(groups), sum));
        }
        for (; k < sums.size(); ++k)
            sums[k] = Folded(w, x + k * step, folds);
    }

    // Row j of `rows` as lane j of each of eight `columns`.
    [[gnu::target("avx2")]] static void Transpose(const __m256* rows, __m256* columns) {
        __m256 pairs[8];
        for (size_t j = 0; j < 8; j += 2) {
            pairs[j] = _mm256_unpacklo_ps(rows[j], rows[j + 1]);
            pairs[j + 1] = _mm256_unpackhi_ps(rows[j], rows[j + 1]);
        }
        __m256 quads[8];
        for (size_t j = 0; j < 8; j += 4) {
            quads[j] = _mm256_shuffle_ps(pairs[j], pairs[j + 2], 0x44);
            quads[j + 1] = _mm256_shuffle_ps(pairs[j], pairs[j + 2], 0xEE);
            quads[j + 2] = _mm256_shuffle_ps(pairs[j + 1], pairs[j + 3], 0x44);
            quads[j + 3] = _mm256_shuffle_ps(pairs[j + 1], pairs[j + 3], 0xEE);
        }
        for (size_t j = 0; j < 4; ++j) {
            columns[j] = _mm256_permute2f128_ps(quads[j], quads[j + 4], 0x20);
            columns[j + 4] = _mm256_permute2f128_ps(quads[j], quads[j + 4], 0x31);
        }
    }
};

// Flattened, so that the sums are inlined into the loop.
[[gnu::target("avx2"), gnu::flatten]] void RunAvx2(const ResamplerTable& t, ResamplerTime& time,
                                                   const float* frames, int64_t origin,
                                                   std::span<float> sums) {
    Run<Avx2Sums>(t, time, frames, origin, sums);
}
#endif

}  // namespace

std::span<const ResamplerKernel> ResamplerKernels() {
#if defined(__x86_64__)
    static const std::array<ResamplerKernel, 2> kAll = {
        {{"avx2", RunAvx2}, {"portable", RunPortable}}};
    return acm::RunnableKernels(kAll);
#else
    static const std::array<ResamplerKernel, 1> kAll = {{{"portable", RunPortable}}};
    return kAll;
#endif
}

}  // namespace kivo::acm
