#pragma once

#include "platform/acm/api.h"
#include "platform/acm/resampler_kernels.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace kivo::acm {

struct ResamplerTable;

// Band-limited rate change. Output frame k stands at source time k * from / to and weighs the
// source frames around it with a Kaiser-windowed sinc whose cutoff lies just below the lower
// of the two Nyquist frequencies, so that nothing above it folds back into the voice band and
// no image of it appears. Equal rates pass the frames through unchanged.
//
// The weights are computed once per pair of rates and shared by every resampler of that pair
// while one exists; those of the pair last asked for stay for the next.
class KIVO_ACM_API Resampler {
public:
    Resampler(uint32_t from, uint32_t to);

    // How many source frames each output frame reads, without building the weights.
    static size_t TapsFor(uint32_t from, uint32_t to);

    // The first source frame output frame k reads; before the stream's start it is negative.
    int64_t First(uint64_t outputFrame) const;
    // How many source frames from First() on each output frame reads.
    size_t Taps() const;
    // How many frames from First() on Sums() reads for each output frame: Taps() and a few
    // more that weigh nothing.
    size_t Reach() const;
    // Whether output frame k stands before the end of a stream of `sourceFrames` frames.
    bool Within(uint64_t outputFrame, uint64_t sourceFrames) const;

    // How many output frames from the stream's start the first `sourceFrames` frames give: with
    // `last`, which ends the stream, those that stand before its end; otherwise those whose
    // Taps() frames all lie within them.
    uint64_t Ready(uint64_t sourceFrames, bool last) const;

    // The weighted sums of sums.size() output frames from `outputFrame` on; `frames` holds
    // source frame f at frames[f - origin] for the Reach() frames from First() on of each.
    void Sums(uint64_t outputFrame, const float* frames, int64_t origin, std::span<float> sums,
              const ResamplerKernel& kernel = ResamplerKernels().front()) const;

private:
    std::shared_ptr<const ResamplerTable> table_;
};

}  // namespace kivo::acm
