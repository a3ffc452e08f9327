#include "platform/acm/truespeech/truespeech_driver.h"

#include "platform/acm/truespeech/decoder.h"
#include "platform/acm/truespeech/encoder.h"

#include <array>
#include <new>

namespace kivo::truespeech {
namespace {

constexpr uint32_t kSampleRate = 8000;
constexpr size_t kPcmFrameBytes = kFrameSamples * sizeof(int16_t);

bool IsTrueSpeech(const WaveFormat& f) {
    return f.tag() == WAVE_FORMAT_TRUESPEECH && f.channels() == 1 &&
           f.samplesPerSec() == kSampleRate && f.blockAlign() == kFrameBytes;
}

bool IsPartnerPcm(const WaveFormat& f) {
    return f.tag() == WAVE_FORMAT_PCM && f.channels() == 1 && f.samplesPerSec() == kSampleRate &&
           f.bitsPerSample() == 16 && f.blockAlign() == 2;
}

// Whole frames that both buffers have room for.
size_t FramesFor(size_t sourceBytes, size_t sourceFrame, size_t destinationBytes,
                 size_t destinationFrame) {
    return std::min(sourceBytes / sourceFrame, destinationBytes / destinationFrame);
}

class EncodeStream : public AcmStream {
public:
    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        if (flags & ACM_STREAMCONVERTF_START) {
            encoder_ = Encoder();
        }
        const size_t frames =
            FramesFor(source.size(), kPcmFrameBytes, destination.size(), kFrameBytes);
        std::array<int16_t, kFrameSamples> pcm;
        for (size_t n = 0; n < frames; ++n) {
            const uint8_t* in = source.data() + n * kPcmFrameBytes;
            for (int i = 0; i < kFrameSamples; ++i) {
                pcm[i] = static_cast<int16_t>(in[2 * i] | in[2 * i + 1] << 8);
            }
            const auto frame = encoder_.EncodeFrame(pcm);
            std::copy(frame.begin(), frame.end(), destination.begin() + n * kFrameBytes);
        }
        result.sourceUsed = static_cast<uint32_t>(frames * kPcmFrameBytes);
        result.destinationUsed = static_cast<uint32_t>(frames * kFrameBytes);
        return MMSYSERR_NOERROR;
    }

private:
    Encoder encoder_;
};

class DecodeStream : public AcmStream {
public:
    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        if (flags & ACM_STREAMCONVERTF_START) {
            decoder_ = Decoder();
        }
        const size_t frames =
            FramesFor(source.size(), kFrameBytes, destination.size(), kPcmFrameBytes);
        std::array<int16_t, kFrameSamples> pcm;
        for (size_t n = 0; n < frames; ++n) {
            decoder_.DecodeFrame(source.subspan(n * kFrameBytes).first<kFrameBytes>(), pcm);
            uint8_t* out = destination.data() + n * kPcmFrameBytes;
            for (int i = 0; i < kFrameSamples; ++i) {
                out[2 * i] = static_cast<uint8_t>(pcm[i]);
                out[2 * i + 1] = static_cast<uint8_t>(pcm[i] >> 8);
            }
        }
        result.sourceUsed = static_cast<uint32_t>(frames * kFrameBytes);
        result.destinationUsed = static_cast<uint32_t>(frames * kPcmFrameBytes);
        return MMSYSERR_NOERROR;
    }

private:
    Decoder decoder_;
};

class TrueSpeechDriver : public AcmDriver {
public:
    std::string Name() const override { return "TrueSpeech"; }

    std::vector<uint16_t> FormatTags() const override {
        return {WAVE_FORMAT_TRUESPEECH, WAVE_FORMAT_PCM};
    }

    std::vector<AcmFormatEntry> Formats() const override {
        return {{TrueSpeechFormat(), "TrueSpeech 8.000 kHz, 1 Bit, Mono"},
                {TrueSpeechPcmFormat(), "8.000 kHz, 16 Bit, Mono"}};
    }

    MMRESULT OpenStream(const WaveFormat& source, const WaveFormat& destination, uint32_t flags,
                        std::unique_ptr<AcmStream>& stream) override {
        const bool encode = IsPartnerPcm(source) && IsTrueSpeech(destination);
        const bool decode = IsTrueSpeech(source) && IsPartnerPcm(destination);
        if (!encode && !decode) {
            return ACMERR_NOTPOSSIBLE;
        }
        if (flags & ACM_STREAMOPENF_QUERY) {
            return MMSYSERR_NOERROR;
        }
        try {
            if (encode) {
                stream = std::make_unique<EncodeStream>();
            } else {
                stream = std::make_unique<DecodeStream>();
            }
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

WaveFormat TrueSpeechFormat() {
    WAVEFORMATEX h{};
    h.wFormatTag = WAVE_FORMAT_TRUESPEECH;
    h.nChannels = 1;
    h.nSamplesPerSec = kSampleRate;
    // 8000 * 32 / 240 = 1066.67, rounded up as recorded files carry it.
    h.nAvgBytesPerSec = (kSampleRate * kFrameBytes + kFrameSamples - 1) / kFrameSamples;
    h.nBlockAlign = kFrameBytes;
    h.wBitsPerSample = 1;
    // wRevision 1, nSamplesPerBlock 240, 28 reserved bytes.
    std::array<uint8_t, 32> extra{};
    extra[0] = 1;
    extra[2] = kFrameSamples;
    return WaveFormat(h, extra);
}

WaveFormat TrueSpeechPcmFormat() {
    return WaveFormat::Pcm(1, kSampleRate, 16);
}

std::unique_ptr<AcmDriver> CreateTrueSpeechDriver() {
    return std::make_unique<TrueSpeechDriver>();
}

}  // namespace kivo::truespeech
