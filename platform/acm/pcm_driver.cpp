#include "platform/acm/pcm_driver.h"

#include "platform/acm/resampler.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace kivo::acm {
namespace {

constexpr uint32_t kListedRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

bool IsPlainPcm(const WaveFormat& f) {
    return f.tag() == WAVE_FORMAT_PCM && (f.channels() == 1 || f.channels() == 2) &&
           (f.bitsPerSample() == 8 || f.bitsPerSample() == 16) && f.samplesPerSec() > 0 &&
           f.blockAlign() == f.channels() * f.bitsPerSample() / 8;
}

// Channels are mixed or duplicated first, then the rate changes through a band-limited filter.
// The stream keeps no samples of its own: the source frames that a later output frame still
// reads stay untaken, and the caller hands them in again. Frames before the stream's start,
// and with ACM_STREAMCONVERTF_END those after the last buffer, count as silence.
class PcmStream : public AcmStream {
public:
    PcmStream(const WaveFormat& source, const WaveFormat& destination)
        : source_(source),
          destination_(destination),
          resampler_(source.samplesPerSec(), destination.samplesPerSec()),
          outEightBit_(destination.bitsPerSample() == 8) {}

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        try {
            const uint32_t inAlign = source_.blockAlign();
            const uint32_t outAlign = destination_.blockAlign();
            const uint64_t available = source.size() / inAlign;
            const uint64_t room = destination.size() / outAlign;
            const uint64_t end = consumed_ + available;
            const bool last = (flags & ACM_STREAMCONVERTF_END) != 0;
            Load(source.first(available * inAlign));
            // Where frame 0 of the loaded channels stands in the stream.
            const int64_t origin = static_cast<int64_t>(consumed_) - Lead();
            const uint64_t ready = resampler_.Ready(end, last);
            const uint64_t written = ready > produced_ ? std::min(room, ready - produced_) : 0;
            sums_.resize(written);
            values_.resize(written);
            for (size_t c = 0; c < channels_.size(); ++c) {
                resampler_.Sums(produced_, channels_[c].data(), origin, sums_);
                for (size_t k = 0; k < written; ++k)
                    values_[k] = Rounded(sums_[k]);
                Store(destination.data(), c);
            }
            produced_ += written;
            // Keep the frames a later output frame still reads; at the end nothing is kept.
            const int64_t next = resampler_.First(produced_);
            uint64_t taken = static_cast<uint64_t>(std::clamp<int64_t>(
                next - static_cast<int64_t>(consumed_), 0, static_cast<int64_t>(available)));
            if (last && !resampler_.Within(produced_, end))
                taken = available;
            consumed_ += taken;
            result.sourceUsed = static_cast<uint32_t>(taken * inAlign);
            result.destinationUsed = static_cast<uint32_t>(written * outAlign);
            return MMSYSERR_NOERROR;
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
    }

private:
    // Rounded half away from zero; a float's value and a half are exact in a double. Without
    // branches, so that the loop over a call's samples runs in vector registers.
    static int16_t Rounded(float sum) {
        const double clamped = std::min(std::max(static_cast<double>(sum), -32768.0), 32767.0);
        return static_cast<int16_t>(clamped + std::copysign(0.5, clamped));
    }

    // values_ as the channel's samples of the destination's frames.
    void Store(uint8_t* frames, size_t channel) const {
        const uint32_t align = destination_.blockAlign();
        if (outEightBit_) {
            for (size_t k = 0; k < values_.size(); ++k)
                frames[k * align + channel] = static_cast<uint8_t>((values_[k] >> 8) + 128);
        } else if (align == 2 && std::endian::native == std::endian::little) {
            if (!values_.empty())
                std::memcpy(frames, values_.data(), 2 * values_.size());
        } else {
            for (size_t k = 0; k < values_.size(); ++k) {
                uint8_t* sample = frames + k * align + 2 * channel;
                sample[0] = static_cast<uint8_t>(values_[k] & 0xFF);
                sample[1] = static_cast<uint8_t>((values_[k] >> 8) & 0xFF);
            }
        }
    }

    // Silent frames loaded in front of the buffer's: an output frame never reads further back,
    // since the frames before the stream's start count as silence and later the stream keeps
    // every frame still to be read.
    int64_t Lead() const { return static_cast<int64_t>(resampler_.Taps()); }

    // The source frames as the destination's channels (stereo to mono takes the mean), between
    // Lead() silent frames and Reach() more, which stand for the silence after the stream's end
    // and let every output frame read whole groups of frames.
    void Load(std::span<const uint8_t> source) {
        const uint32_t inAlign = source_.blockAlign();
        const size_t frames = source.size() / inAlign;
        const auto lead = static_cast<size_t>(Lead());
        const size_t tail = resampler_.Reach();
        channels_.resize(destination_.channels());
        for (auto& c : channels_) {
            c.resize(lead + frames + tail);
            std::fill_n(c.begin(), lead, 0.0f);
            std::fill_n(c.begin() + static_cast<std::ptrdiff_t>(lead + frames), tail, 0.0f);
        }
        float* first = channels_[0].data() + lead;
        float* second = channels_.size() == 2 ? channels_[1].data() + lead : nullptr;
        const bool eightBit = source_.bitsPerSample() == 8;
        if (source_.channels() == 2) {
            if (eightBit) {
                LoadFrames<uint8_t, 2>(source.data(), frames, first, second);
            } else {
                LoadFrames<int16_t, 2>(source.data(), frames, first, second);
            }
        } else if (eightBit) {
            LoadFrames<uint8_t, 1>(source.data(), frames, first, second);
        } else {
            LoadFrames<int16_t, 1>(source.data(), frames, first, second);
        }
    }

    // Frames of `Sample` values as floats in `first` and, unless it is null, `second`; into
    // `first` alone the mean of the channels.
    template <typename Sample, int kChannels>
    static void LoadFrames(const uint8_t* in, size_t frames, float* first, float* second) {
        constexpr size_t kBytes = sizeof(Sample);
        const auto read = [](const uint8_t* p) {
            if constexpr (kBytes == 1)
                return (p[0] - 128) * 256;
            else
                return static_cast<int>(static_cast<int16_t>(p[0] | p[1] << 8));
        };
        for (size_t n = 0; n < frames; ++n, in += kChannels * kBytes) {
            const int left = read(in);
            const int right = kChannels == 2 ? read(in + kBytes) : left;
            if (second == nullptr) {
                first[n] = static_cast<float>(left + right) / 2;
            } else {
                first[n] = static_cast<float>(left);
                second[n] = static_cast<float>(right);
            }
        }
    }

    WaveFormat source_;
    WaveFormat destination_;
    Resampler resampler_;
    bool outEightBit_;
    std::vector<std::vector<float>> channels_;
    std::vector<float> sums_;      // one channel's sums of the output frames of a call
    std::vector<int16_t> values_;  // and their samples
    uint64_t consumed_ = 0;        // source frames taken before the current buffer
    uint64_t produced_ = 0;
};

class PcmDriver : public AcmDriver {
public:
    std::string Name() const override { return "PCM"; }

    std::vector<uint16_t> FormatTags() const override { return {WAVE_FORMAT_PCM}; }

    std::vector<AcmFormatEntry> Formats() const override {
        std::vector<AcmFormatEntry> formats;
        for (uint32_t rate : kListedRates) {
            for (uint16_t channels : {1, 2}) {
                for (uint16_t bits : {16, 8}) {
                    char text[64];
                    std::snprintf(text, sizeof text, "%u Hz, %d Bit, %s", rate, bits,
                                  channels == 1 ? "Mono" : "Stereo");
                    formats.push_back({WaveFormat::Pcm(channels, rate, bits), text});
                }
            }
        }
        return formats;
    }

    MMRESULT OpenStream(const WaveFormat& source, const WaveFormat& destination, uint32_t,
                        std::unique_ptr<AcmStream>& stream) override {
        if (!IsPlainPcm(source) || !IsPlainPcm(destination))
            return ACMERR_NOTPOSSIBLE;
        stream = std::make_unique<PcmStream>(source, destination);
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

uint32_t PcmReadAhead(uint32_t fromRate, uint32_t toRate) {
    return static_cast<uint32_t>(Resampler::TapsFor(fromRate, toRate));
}

std::unique_ptr<AcmDriver> MakePcmDriver() {
    return std::make_unique<PcmDriver>();
}

}  // namespace kivo::acm
