#include "platform/acm/testing/scripted_driver.h"

#include <algorithm>

namespace kivo::acm {
namespace {

class ScriptedStream : public AcmStream {
public:
    ScriptedStream(const DriverScript& script, std::shared_ptr<ScriptedLog> log, uint32_t inBlock,
                   uint32_t outBlock)
        : script_(script), log_(std::move(log)), inBlock_(inBlock), outBlock_(outBlock) {
        ++log_->streamsAlive;
    }
    ~ScriptedStream() override { --log_->streamsAlive; }

    MMRESULT Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                     uint32_t flags, AcmConvertResult& result) override {
        const int call = static_cast<int>(log_->calls.size()) + 1;
        ScriptedCall entry{static_cast<uint32_t>(source.size()),
                           static_cast<uint32_t>(destination.size()), flags, 0, 0};
        if (call == script_.failCall) {
            log_->calls.push_back(entry);
            return MMSYSERR_ERROR;
        }
        uint64_t blocks = source.size() / inBlock_;
        if (script_.takeLimit != 0)
            blocks = std::min<uint64_t>(blocks, script_.takeLimit / inBlock_);
        blocks = std::min<uint64_t>(blocks, destination.size() / outBlock_);
        if (script_.takeNothingFrom != 0 && call >= script_.takeNothingFrom)
            blocks = 0;
        // Each output block repeats the first byte of its source block, so a test can tell
        // which source bytes went where.
        for (uint64_t b = 0; b < blocks; ++b) {
            std::fill_n(destination.begin() + b * outBlock_, outBlock_, source[b * inBlock_]);
        }
        entry.sourceUsed = static_cast<uint32_t>(blocks * inBlock_);
        entry.destinationUsed = static_cast<uint32_t>(blocks * outBlock_);
        log_->calls.push_back(entry);
        result.sourceUsed = entry.sourceUsed;
        result.destinationUsed = entry.destinationUsed;
        return MMSYSERR_NOERROR;
    }

private:
    DriverScript script_;
    std::shared_ptr<ScriptedLog> log_;
    uint32_t inBlock_;
    uint32_t outBlock_;
};

class ScriptedDriver : public AcmDriver {
public:
    ScriptedDriver(DriverScript script, std::shared_ptr<ScriptedLog> log)
        : script_(std::move(script)), log_(std::move(log)) {}

    std::string Name() const override { return "scripted"; }

    std::vector<uint16_t> FormatTags() const override { return {WAVE_FORMAT_PCM, script_.tag}; }

    std::vector<AcmFormatEntry> Formats() const override { return script_.formats; }

    MMRESULT OpenStream(const WaveFormat& source, const WaveFormat& destination, uint32_t flags,
                        std::unique_ptr<AcmStream>& stream) override {
        // Like a real codec, it converts only between the tags it knows.
        const auto known = [this](const WaveFormat& f) {
            return f.tag() == WAVE_FORMAT_PCM || f.tag() == script_.tag;
        };
        if (script_.failOpen || !known(source) || !known(destination))
            return ACMERR_NOTPOSSIBLE;
        if ((flags & ACM_STREAMOPENF_QUERY) != 0)
            return MMSYSERR_NOERROR;
        ++log_->opens;
        log_->openedFrom.push_back(source);
        log_->openedTo.push_back(destination);
        const bool fromPcm = source.tag() == WAVE_FORMAT_PCM;
        const bool toPcm = destination.tag() == WAVE_FORMAT_PCM;
        uint32_t in = script_.codedBlock;
        uint32_t out = script_.pcmBlock;
        if (fromPcm && toPcm) {
            in = out = std::max<uint32_t>(1, source.blockAlign());
        } else if (fromPcm) {
            std::swap(in, out);
        }
        stream = std::make_unique<ScriptedStream>(script_, log_, in, out);
        return MMSYSERR_NOERROR;
    }

private:
    DriverScript script_;
    std::shared_ptr<ScriptedLog> log_;
};

}  // namespace

std::unique_ptr<AcmDriver> MakeScriptedDriver(DriverScript script,
                                              std::shared_ptr<ScriptedLog> log) {
    return std::make_unique<ScriptedDriver>(std::move(script), std::move(log));
}

WaveFormat CodedFormat(uint16_t tag, uint16_t channels, uint32_t samplesPerSec, uint16_t blockAlign,
                       uint16_t samplesPerBlock) {
    WAVEFORMATEX h{};
    h.wFormatTag = tag;
    h.nChannels = channels;
    h.nSamplesPerSec = samplesPerSec;
    h.nAvgBytesPerSec = samplesPerSec * blockAlign / samplesPerBlock;
    h.nBlockAlign = blockAlign;
    const uint8_t extra[2] = {static_cast<uint8_t>(samplesPerBlock & 0xFF),
                              static_cast<uint8_t>(samplesPerBlock >> 8)};
    return WaveFormat(h, extra);
}

}  // namespace kivo::acm
