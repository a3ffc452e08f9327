// SC4 decode and encode speed, reported as multiples of real time ("x_realtime"), and the
// voice the encoder keeps.
#include "platform/acm/sc4/decoder.h"
#include "platform/acm/sc4/encoder.h"
#include "platform/acm/sc4/sc4_driver.h"
#include "platform/acm/sc4/tests/speech.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kSeconds = 10.0;

// A voiced-speech stand-in: a 120 Hz harmonic series under a syllable-rate envelope, plus noise.
std::vector<int16_t> SpeechLike(const kivo::sc4::StreamFormat& f, double seconds = kSeconds) {
    const size_t frames = static_cast<size_t>(seconds * f.samplesPerSec);
    std::vector<int16_t> pcm(frames * f.channels);
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / f.samplesPerSec;
        double v = 0;
        for (int h = 1; h <= 12; ++h)
            v += std::sin(2 * M_PI * 120 * h * t) / h;
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 4 * t);
        for (unsigned c = 0; c < f.channels; ++c)
            pcm[i * f.channels + c] = static_cast<int16_t>(6000 * envelope * v + noise(rng));
    }
    return pcm;
}

kivo::sc4::StreamFormat FormatOf(const benchmark::State& state) {
    return {static_cast<uint32_t>(state.range(0)), static_cast<unsigned>(state.range(1))};
}

std::vector<uint8_t> Encode(const kivo::sc4::StreamFormat& f, const std::vector<int16_t>& pcm) {
    auto encoder = kivo::sc4::Encoder::Create(f);
    std::vector<uint8_t> out((pcm.size() / kivo::sc4::kCodesPerBlock + 1) * kivo::sc4::kBlockBytes);
    out.resize(encoder->Encode(pcm, out, true).bytes);
    return out;
}

void BM_Sc4Decode(benchmark::State& state) {
    const kivo::sc4::StreamFormat f = FormatOf(state);
    const std::vector<uint8_t> bytes = Encode(f, SpeechLike(f));
    std::vector<int16_t> out(2 * bytes.size());
    for (auto _ : state) {
        auto decoder = kivo::sc4::Decoder::Create(f);
        benchmark::DoNotOptimize(decoder->Decode(bytes, out, true));
        benchmark::ClobberMemory();
    }
    state.counters["x_realtime"] = benchmark::Counter(
        kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The segmental SNR of the synthesiser's speech through encoder and decoder, channel 0 (the
// first sentence) and, in stereo, channel 1 (the second); NaN when there is no speech.
std::array<double, 2> SpeechSnr(const kivo::sc4::StreamFormat& f) {
    using namespace kivo::sc4::testing;
    const uint32_t rate = f.samplesPerSec;
    const std::vector<int16_t> pcm = f.channels == 1
                                         ? SpeechSample(rate, 0)
                                         : Interleave(SpeechSample(rate, 0), SpeechSample(rate, 1));
    std::array<double, 2> snr = {std::nan(""), std::nan("")};
    if (pcm.empty())
        return snr;
    const std::vector<uint8_t> bytes = Encode(f, pcm);
    std::vector<int16_t> decoded(2 * bytes.size());
    decoded.resize(kivo::sc4::Decoder::Create(f)->Decode(bytes, decoded, true).samples);
    for (unsigned ch = 0; ch < f.channels; ++ch)
        snr[ch] = SegmentalSnr(Channel(pcm, f.channels, ch), Channel(decoded, f.channels, ch));
    return snr;
}

// Speed on the speech stand-in; the voice kept ("segsnr_db", "segsnr_db_right") on speech.
void BM_Sc4Encode(benchmark::State& state) {
    const kivo::sc4::StreamFormat f = FormatOf(state);
    const std::vector<int16_t> pcm = SpeechLike(f);
    std::vector<uint8_t> out((pcm.size() / kivo::sc4::kCodesPerBlock + 1) * kivo::sc4::kBlockBytes);
    for (auto _ : state) {
        auto encoder = kivo::sc4::Encoder::Create(f);
        benchmark::DoNotOptimize(encoder->Encode(pcm, out, true));
        benchmark::ClobberMemory();
    }
    state.counters["x_realtime"] = benchmark::Counter(
        kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    const std::array<double, 2> snr = SpeechSnr(f);
    state.counters["segsnr_db"] = snr[0];
    if (f.channels == 2)
        state.counters["segsnr_db_right"] = snr[1];
}

// A 60-second 8000 Hz mono recording decoded through the driver the way the converter feeds it:
// 16380-byte pieces, the untaken rest carried in front of the next one.
void BM_Sc4DriverDecodeRecording(benchmark::State& state) {
    constexpr double kRecordingSeconds = 60.0;
    const kivo::sc4::StreamFormat f{8000, 1};
    std::vector<uint8_t> recording = {0x01, 0x1B, 0x1D};
    const std::vector<uint8_t> blocks = Encode(f, SpeechLike(f, kRecordingSeconds));
    recording.insert(recording.end(), blocks.begin(), blocks.end());
    const auto driver = kivo::sc4::CreateSc4Driver();
    std::vector<uint8_t> destination(546 * 58 * 2 * 3 / 2);
    for (auto _ : state) {
        std::unique_ptr<AcmStream> stream;
        driver->OpenStream(kivo::sc4::Sc4Format(f), kivo::sc4::Sc4PcmFormat(f), 0, stream);
        std::vector<uint8_t> pending;
        for (size_t at = 0; at < recording.size(); at += 16380) {
            pending.insert(pending.end(), recording.begin() + at,
                           recording.begin() + std::min(recording.size(), at + 16380));
            AcmConvertResult r;
            stream->Convert(pending, destination, 0, r);
            pending.erase(pending.begin(), pending.begin() + r.sourceUsed);
            benchmark::DoNotOptimize(destination.data());
        }
    }
    state.counters["x_realtime"] = benchmark::Counter(
        kRecordingSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Sc4DriverDecodeRecording)->Unit(benchmark::kMillisecond);

void Formats(benchmark::internal::Benchmark* b) {
    b->Args({8000, 1})
        ->Args({11025, 1})
        ->Args({16000, 1})
        ->Args({32000, 1})
        ->Args({8000, 2})
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Sc4Decode)->Apply(Formats);
BENCHMARK(BM_Sc4Encode)->Apply(Formats);

}  // namespace

BENCHMARK_MAIN();
