#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kivo::acm {

// Band-limited rate change. Output frame k stands at source time k * from / to and weighs the
// source frames around it with a Kaiser-windowed sinc whose cutoff lies just below the lower
// of the two Nyquist frequencies, so that nothing above it folds back into the voice band and
// no image of it appears. Equal rates pass the frames through unchanged.
class Resampler {
public:
    Resampler(uint32_t from, uint32_t to);

    // The first source frame output frame k reads; before the stream's start it is negative.
    int64_t First(uint64_t outputFrame) const;
    // How many source frames from First() on each output frame reads.
    size_t Taps() const { return taps_; }
    // The weights of those frames for output frame k.
    std::span<const float> Weights(uint64_t outputFrame) const;
    // Whether output frame k stands before the end of a stream of `sourceFrames` frames.
    bool Within(uint64_t outputFrame, uint64_t sourceFrames) const;

private:
    uint64_t Phase(uint64_t outputFrame) const;

    uint64_t up_;  // output frame k stands at source time k * down_ / up_
    uint64_t down_;
    uint64_t phases_;      // weight sets, each for a fraction phase / phases_ of a frame
    int64_t firstOffset_;  // first frame read, relative to the frame at or before the time
    size_t taps_;
    std::vector<float> weights_;  // phases_ rows of taps_
};

}  // namespace kivo::acm
