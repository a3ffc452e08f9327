#include "platform/acm/pcm_driver.h"

#include "platform/acm/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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
          resampler_(source.samplesPerSec(), destination.samplesPerSec()) {}

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
            const size_t taps = resampler_.Taps();
            uint64_t written = 0;
            for (; written < room && resampler_.Within(produced_ + written, end); ++written) {
                const uint64_t k = produced_ + written;
                const int64_t first = resampler_.First(k);
                if (!last && first + static_cast<int64_t>(taps) > static_cast<int64_t>(end))
                    break;
                // Only the frames the stream has; the others are silence.
                const int64_t from = std::max<int64_t>(first, static_cast<int64_t>(consumed_));
                const int64_t to = std::min<int64_t>(first + static_cast<int64_t>(taps),
                                                     static_cast<int64_t>(end));
                const std::span<const float> w = resampler_.Weights(k).subspan(
                    static_cast<size_t>(from - first), static_cast<size_t>(to - from));
                uint8_t* out = destination.data() + written * outAlign;
                for (size_t c = 0; c < channels_.size(); ++c) {
                    const float* x = channels_[c].data() + (from - static_cast<int64_t>(consumed_));
                    float sum = 0;
                    for (size_t i = 0; i < w.size(); ++i)
                        sum += w[i] * x[i];
                    WriteSample(out, static_cast<int>(c), sum);
                }
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
    int ReadSample(const uint8_t* frame, int channel) const {
        if (source_.bitsPerSample() == 8)
            return (frame[channel] - 128) * 256;
        return static_cast<int16_t>(frame[2 * channel] | frame[2 * channel + 1] << 8);
    }

    void WriteSample(uint8_t* frame, int channel, float sum) const {
        const int value = static_cast<int>(std::clamp(std::lround(sum), -32768L, 32767L));
        if (destination_.bitsPerSample() == 8) {
            frame[channel] = static_cast<uint8_t>((value >> 8) + 128);
        } else {
            frame[2 * channel] = static_cast<uint8_t>(value & 0xFF);
            frame[2 * channel + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
        }
    }

    // The source frames as the destination's channels: stereo to mono takes the mean.
    void Load(std::span<const uint8_t> source) {
        const uint32_t inAlign = source_.blockAlign();
        const size_t frames = source.size() / inAlign;
        channels_.resize(destination_.channels());
        for (auto& c : channels_)
            c.resize(frames);
        for (size_t n = 0; n < frames; ++n) {
            const uint8_t* in = source.data() + n * inAlign;
            const int left = ReadSample(in, 0);
            const int right = source_.channels() == 2 ? ReadSample(in, 1) : left;
            if (channels_.size() == 1) {
                channels_[0][n] = static_cast<float>(left + right) / 2;
            } else {
                channels_[0][n] = static_cast<float>(left);
                channels_[1][n] = static_cast<float>(right);
            }
        }
    }

    WaveFormat source_;
    WaveFormat destination_;
    Resampler resampler_;
    std::vector<std::vector<float>> channels_;
    uint64_t consumed_ = 0;  // source frames taken before the current buffer
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
    return static_cast<uint32_t>(Resampler(fromRate, toRate).Taps());
}

std::unique_ptr<AcmDriver> MakePcmDriver() {
    return std::make_unique<PcmDriver>();
}

}  // namespace kivo::acm
