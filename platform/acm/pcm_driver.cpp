#include "platform/acm/pcm_driver.h"

#include <cstdio>

namespace acm {
namespace {

constexpr uint32_t kListedRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

bool IsPlainPcm(const WaveFormat& f) {
    return f.tag() == WAVE_FORMAT_PCM && (f.channels() == 1 || f.channels() == 2) &&
           (f.bitsPerSample() == 8 || f.bitsPerSample() == 16) && f.samplesPerSec() > 0 &&
           f.blockAlign() == f.channels() * f.bitsPerSample() / 8;
}

// Rate changes hold the nearest earlier source frame: output frame k shows source frame
// k * sourceRate / destinationRate, counted over the whole stream.
class PcmStream : public AcmStream {
public:
    PcmStream(const WaveFormat& source, const WaveFormat& destination)
        : source_(source), destination_(destination) {}

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t,
                     AcmConvertResult& result) override {
        const uint32_t inAlign = source_.blockAlign();
        const uint32_t outAlign = destination_.blockAlign();
        const uint64_t available = source.size() / inAlign;
        const uint64_t room = destination.size() / outAlign;
        uint64_t written = 0;
        while (written < room) {
            const uint64_t wanted = SourceFrameOf(produced_ + written);
            if (wanted >= consumed_ + available)
                break;
            WriteFrame(source.data() + (wanted - consumed_) * inAlign,
                       destination.data() + written * outAlign);
            ++written;
        }
        produced_ += written;
        // Keep the frames a later output frame still needs.
        const uint64_t next = SourceFrameOf(produced_);
        const uint64_t taken = std::min(available, next - std::min(next, consumed_));
        consumed_ += taken;
        result.sourceUsed = static_cast<uint32_t>(taken * inAlign);
        result.destinationUsed = static_cast<uint32_t>(written * outAlign);
        return MMSYSERR_NOERROR;
    }

private:
    uint64_t SourceFrameOf(uint64_t outputFrame) const {
        return outputFrame * source_.samplesPerSec() / destination_.samplesPerSec();
    }

    int ReadSample(const uint8_t* frame, int channel) const {
        if (source_.bitsPerSample() == 8)
            return (frame[channel] - 128) * 256;
        return static_cast<int16_t>(frame[2 * channel] | frame[2 * channel + 1] << 8);
    }

    void WriteSample(uint8_t* frame, int channel, int value) const {
        if (destination_.bitsPerSample() == 8) {
            frame[channel] = static_cast<uint8_t>((value >> 8) + 128);
        } else {
            frame[2 * channel] = static_cast<uint8_t>(value & 0xFF);
            frame[2 * channel + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
        }
    }

    void WriteFrame(const uint8_t* in, uint8_t* out) const {
        const int left = ReadSample(in, 0);
        const int right = source_.channels() == 2 ? ReadSample(in, 1) : left;
        if (destination_.channels() == 1) {
            WriteSample(out, 0, (left + right) / 2);
        } else {
            WriteSample(out, 0, left);
            WriteSample(out, 1, right);
        }
    }

    WaveFormat source_;
    WaveFormat destination_;
    uint64_t consumed_ = 0;
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

std::unique_ptr<AcmDriver> MakePcmDriver() {
    return std::make_unique<PcmDriver>();
}

}  // namespace acm
