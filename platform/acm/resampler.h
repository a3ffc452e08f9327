#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kivo::acm {

struct ResamplerTable;

// Band-limited rate change. Output frame k stands at source time k * from / to and weighs the
// source frames around it with a Kaiser-windowed sinc whose cutoff lies just below the lower
// of the two Nyquist frequencies, so that nothing above it folds back into the voice band and
// no image of it appears. Equal rates pass the frames through unchanged.
//
// The weights are computed once per pair of rates and shared by every resampler of that pair
// while one exists.
class Resampler {
public:
    Resampler(uint32_t from, uint32_t to);

    // How many source frames each output frame reads, without building the weights.
    static size_t TapsFor(uint32_t from, uint32_t to);

    // The first source frame output frame k reads; before the stream's start it is negative.
    int64_t First(uint64_t outputFrame) const;
    // How many source frames from First() on each output frame reads.
    size_t Taps() const;
    // How many frames from First() on Cursor::Apply reads: Taps() and a few more that weigh
    // nothing.
    size_t Reach() const;
    // Whether output frame k stands before the end of a stream of `sourceFrames` frames.
    bool Within(uint64_t outputFrame, uint64_t sourceFrames) const;

    // Walks the output frames in order, without a division per frame.
    class Cursor {
    public:
        Cursor(const ResamplerTable& table, uint64_t outputFrame);

        // As First() and Within() for the cursor's output frame.
        int64_t First() const;
        bool Within(uint64_t sourceFrames) const { return whole_ < sourceFrames; }
        // The weighted sum for the cursor's output frame of `frames`, which holds its Reach()
        // source frames from First() on.
        float Apply(const float* frames) const;
        // On to the next output frame.
        void Next();

    private:
        const ResamplerTable* table_;
        uint64_t whole_;  // output frame k stands at source time whole_ + rest_ / up
        uint64_t rest_;
    };
    Cursor At(uint64_t outputFrame) const { return Cursor(*table_, outputFrame); }

private:
    std::shared_ptr<const ResamplerTable> table_;
};

}  // namespace kivo::acm
