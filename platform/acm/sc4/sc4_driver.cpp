#include "platform/acm/sc4/sc4_driver.h"

#include "platform/acm/pcm_driver.h"
#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace kivo::sc4 {
namespace {

// The rates and channel counts the recorder writes, mono before stereo: a caller that takes the
// first format of a tag gets 8000 mono, the recorder's usual format and TrueSpeech's PCM.
constexpr std::array<StreamFormat, 7> kListed = {{
    {8000, 1},
    {8000, 2},
    {11025, 1},
    {11025, 2},
    {16000, 1},
    {16000, 2},
    {32000, 1},
}};

// Longer than this without a valid block, the data are not an SC4 stream.
constexpr size_t kMaxSkippedRun = 10 * kBlockBytes;

std::optional<StreamFormat> Sc4StreamOf(const WaveFormat& f) {
    const StreamFormat s{f.samplesPerSec(), f.channels()};
    if (f.tag() != kFormatTag || f.blockAlign() != kBlockBytes || !IsSupported(s))
        return std::nullopt;
    return s;
}

bool IsPcmOf(const WaveFormat& f, const StreamFormat& s) {
    return f.tag() == WAVE_FORMAT_PCM && f.channels() == s.channels &&
           f.samplesPerSec() == s.samplesPerSec && f.bitsPerSample() == 16 &&
           f.blockAlign() == 2 * s.channels;
}

// 16-bit PCM of any rate, mono or stereo: what a decode stream may give through the PCM driver.
bool IsPcm16(const WaveFormat& f) {
    return f.tag() == WAVE_FORMAT_PCM && (f.channels() == 1 || f.channels() == 2) &&
           f.samplesPerSec() > 0 && f.bitsPerSample() == 16 && f.blockAlign() == 2 * f.channels();
}

std::string Describe(const char* prefix, const StreamFormat& s, const char* bits) {
    char text[64];
    std::snprintf(text, sizeof text, "%s%u.%03u kHz, %s%s", prefix, s.samplesPerSec / 1000,
                  s.samplesPerSec % 1000, bits, s.channels == 1 ? "Mono" : "Stereo");
    return text;
}

// 16-bit samples as the little-endian bytes of a wave's data.
void StoreLittleEndian(std::span<const int16_t> samples, uint8_t* out) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, samples.data(), samples.size_bytes());
    } else {
        for (const int16_t v : samples) {
            *out++ = static_cast<uint8_t>(v);
            *out++ = static_cast<uint8_t>(v >> 8);
        }
    }
}

class DecodeStream : public AcmStream {
public:
    explicit DecodeStream(const StreamFormat& format) : decoder_(*Decoder::Create(format)) {}

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        try {
            if (flags & ACM_STREAMCONVERTF_START)
                decoder_ = *Decoder::Create(decoder_.format());
            pcm_.resize(destination.size() / 2);
            const DecodeResult r =
                decoder_.Decode(source, pcm_, (flags & ACM_STREAMCONVERTF_END) != 0);
            if (r.longestSkipRun > kMaxSkippedRun)
                return MMSYSERR_ERROR;
            StoreLittleEndian(std::span(pcm_).first(r.samples), destination.data());
            result.sourceUsed = static_cast<uint32_t>(r.consumed);
            result.destinationUsed = static_cast<uint32_t>(2 * r.samples);
            return MMSYSERR_NOERROR;
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
    }

private:
    Decoder decoder_;
    std::vector<int16_t> pcm_;
};

// Decodes at the recording's own rate and channel count and hands the samples on to the PCM
// driver's stream for the rate and channels asked for.
class ConvertingDecodeStream : public AcmStream {
public:
    ConvertingDecodeStream(const StreamFormat& format, const WaveFormat& destination,
                           std::unique_ptr<AcmStream> pcm)
        : decode_(format),
          native_(Sc4PcmFormat(format)),
          destination_(destination),
          readAhead_(acm::PcmReadAhead(format.samplesPerSec, destination.samplesPerSec())),
          pcm_(std::move(pcm)) {}

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        try {
            if (flags & ACM_STREAMCONVERTF_START) {
                held_ = 0;
                const MMRESULT rc = acm::MakePcmDriver()->OpenStream(
                    native_, destination_, ACM_STREAMOPENF_NONREALTIME, pcm_);
                if (rc != MMSYSERR_NOERROR)
                    return rc;
            }
            // Decode no more than the destination can take once converted, and the frames the
            // rate filter reads ahead, so that what the PCM stream leaves over stays small; but
            // a whole block whenever more is wanted, so that a destination too small for a
            // block's samples is filled over several calls.
            const uint64_t room = destination.size() / destination_.blockAlign();
            const uint64_t frames =
                room * native_.samplesPerSec() / destination_.samplesPerSec() + readAhead_;
            const size_t wanted = static_cast<size_t>(frames) * native_.blockAlign();
            const size_t size =
                held_ < wanted ? std::max(wanted, held_ + kCodesPerBlock * sizeof(int16_t)) : held_;
            // The buffer only grows, so that it is not cleared again on every call.
            if (pending_.size() < size)
                pending_.resize(size);
            AcmConvertResult decoded;
            MMRESULT rc = decode_.Convert(source, std::span(pending_).subspan(held_, size - held_),
                                          flags, decoded);
            if (rc != MMSYSERR_NOERROR)
                return rc;
            held_ += decoded.destinationUsed;

            AcmConvertResult converted;
            rc = pcm_->Convert(std::span(pending_).first(held_), destination, flags, converted);
            if (rc != MMSYSERR_NOERROR)
                return rc;
            held_ -= converted.sourceUsed;
            std::memmove(pending_.data(), pending_.data() + converted.sourceUsed, held_);
            result.sourceUsed = decoded.sourceUsed;
            result.destinationUsed = converted.destinationUsed;
            return MMSYSERR_NOERROR;
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
    }

private:
    DecodeStream decode_;
    WaveFormat native_;
    WaveFormat destination_;
    uint32_t readAhead_;  // source frames the PCM stream holds back
    std::unique_ptr<AcmStream> pcm_;
    // Its first held_ bytes are decoded samples the PCM stream has not taken yet.
    std::vector<uint8_t> pending_;
    size_t held_ = 0;
};

class EncodeStream : public AcmStream {
public:
    explicit EncodeStream(const StreamFormat& format) : encoder_(*Encoder::Create(format)) {}

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        try {
            if (flags & ACM_STREAMCONVERTF_START)
                encoder_ = *Encoder::Create(encoder_.format());
            // Whole frames only: half a sample or half a stereo frame waits for the next call.
            const size_t frameValues = encoder_.format().channels;
            pcm_.resize(source.size() / (2 * frameValues) * frameValues);
            for (size_t i = 0; i < pcm_.size(); ++i)
                pcm_[i] = static_cast<int16_t>(source[2 * i] | source[2 * i + 1] << 8);
            const EncodeResult r =
                encoder_.Encode(pcm_, destination, (flags & ACM_STREAMCONVERTF_END) != 0);
            result.sourceUsed = static_cast<uint32_t>(2 * r.consumed);
            result.destinationUsed = static_cast<uint32_t>(r.bytes);
            return MMSYSERR_NOERROR;
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
    }

private:
    Encoder encoder_;
    std::vector<int16_t> pcm_;
};

class Sc4Driver : public AcmDriver {
public:
    std::string Name() const override { return "SC4"; }

    std::vector<uint16_t> FormatTags() const override { return {kFormatTag, WAVE_FORMAT_PCM}; }

    std::vector<AcmFormatEntry> Formats() const override {
        std::vector<AcmFormatEntry> formats;
        for (const StreamFormat& s : kListed)
            formats.push_back({Sc4Format(s), Describe("SC4 ", s, "")});
        for (const StreamFormat& s : kListed)
            formats.push_back({Sc4PcmFormat(s), Describe("", s, "16 Bit, ")});
        return formats;
    }

    MMRESULT OpenStream(const WaveFormat& source, const WaveFormat& destination, uint32_t flags,
                        std::unique_ptr<AcmStream>& stream) override {
        const std::optional<StreamFormat> from = Sc4StreamOf(source);
        const std::optional<StreamFormat> to = Sc4StreamOf(destination);
        try {
            if (from && IsPcmOf(destination, *from)) {
                if (!(flags & ACM_STREAMOPENF_QUERY))
                    stream = std::make_unique<DecodeStream>(*from);
                return MMSYSERR_NOERROR;
            }
            if (from && IsPcm16(destination))
                return OpenConvertingDecode(*from, destination, flags, stream);
            if (to && IsPcmOf(source, *to)) {
                if (!(flags & ACM_STREAMOPENF_QUERY))
                    stream = std::make_unique<EncodeStream>(*to);
                return MMSYSERR_NOERROR;
            }
        } catch (const std::bad_alloc&) {
            return MMSYSERR_NOMEM;
        }
        return ACMERR_NOTPOSSIBLE;
    }

private:
    static MMRESULT OpenConvertingDecode(const StreamFormat& from, const WaveFormat& destination,
                                         uint32_t flags, std::unique_ptr<AcmStream>& stream) {
        std::unique_ptr<AcmStream> pcm;
        const MMRESULT rc =
            acm::MakePcmDriver()->OpenStream(Sc4PcmFormat(from), destination, flags, pcm);
        if (rc != MMSYSERR_NOERROR || (flags & ACM_STREAMOPENF_QUERY))
            return rc;
        stream = std::make_unique<ConvertingDecodeStream>(from, destination, std::move(pcm));
        return MMSYSERR_NOERROR;
    }
};

}  // namespace

WaveFormat Sc4Format(const StreamFormat& format) {
    WAVEFORMATEX h{};
    h.wFormatTag = kFormatTag;
    h.nChannels = static_cast<uint16_t>(format.channels);
    h.nSamplesPerSec = format.samplesPerSec;
    h.nAvgBytesPerSec = AverageBytesPerSec(format);
    h.nBlockAlign = kBlockBytes;
    h.wBitsPerSample = 0;
    const unsigned perBlock = SamplesPerBlock(format.channels);
    const std::array<uint8_t, 2> extra = {static_cast<uint8_t>(perBlock),
                                          static_cast<uint8_t>(perBlock >> 8)};
    return WaveFormat(h, extra);
}

WaveFormat Sc4PcmFormat(const StreamFormat& format) {
    return WaveFormat::Pcm(static_cast<uint16_t>(format.channels), format.samplesPerSec, 16);
}

std::unique_ptr<AcmDriver> CreateSc4Driver() {
    return std::make_unique<Sc4Driver>();
}

}  // namespace kivo::sc4
