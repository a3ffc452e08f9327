// Codec speed in multiples of real time (the "realtime" counter: seconds of audio per second).
#include "platform/acm/truespeech/decoder.h"
#include "platform/acm/truespeech/encoder.h"
#include "platform/acm/truespeech/tests/libav_decoder.h"
#include "platform/acm/truespeech/truespeech_driver.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using namespace kivo::truespeech;

constexpr int kSeconds = 10;
constexpr int kSamples = kSeconds * 8000;

// Voiced-like material: a gliding pulse train through two resonances, with pauses.
std::vector<int16_t> Voice() {
    std::vector<int16_t> v(kSamples);
    double phase = 0;
    double r1 = 0, r2 = 0, s1 = 0, s2 = 0;
    for (int i = 0; i < kSamples; ++i) {
        const double t = i / 8000.0;
        const double pitch = 110 + 40 * std::sin(2 * std::numbers::pi * 0.7 * t);
        phase += pitch / 8000.0;
        double x = 0;
        if (phase >= 1) {
            phase -= 1;
            x = 4000;
        }
        const bool pause = std::fmod(t, 2.0) > 1.6;
        const double a = pause ? 0 : x;
        const double y1 =
            a + 1.8 * std::cos(2 * std::numbers::pi * 700 / 8000) * 0.95 * r1 - 0.9025 * r2;
        r2 = r1;
        r1 = y1;
        const double y2 =
            y1 + 1.6 * std::cos(2 * std::numbers::pi * 1800 / 8000) * 0.9 * s1 - 0.81 * s2;
        s2 = s1;
        s1 = y2;
        v[i] = static_cast<int16_t>(std::clamp(y2 * 0.5, -32000.0, 32000.0));
    }
    return v;
}

std::vector<uint8_t> Encode(const std::vector<int16_t>& pcm) {
    Encoder encoder;
    std::vector<uint8_t> bytes;
    for (size_t at = 0; at + kFrameSamples <= pcm.size(); at += kFrameSamples) {
        const auto frame = encoder.EncodeFrame(std::span(pcm).subspan(at).first<kFrameSamples>());
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

void SetRealTime(benchmark::State& state) {
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kSeconds, benchmark::Counter::kIsRate);
}

void BM_Encode(benchmark::State& state) {
    const std::vector<int16_t> pcm = Voice();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Encode(pcm));
    }
    SetRealTime(state);
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

void BM_DecodeModel(benchmark::State& state) {
    const std::vector<uint8_t> bytes = Encode(Voice());
    std::vector<int16_t> out(bytes.size() / kFrameBytes * kFrameSamples);
    for (auto _ : state) {
        Decoder decoder;
        benchmark::DoNotOptimize(decoder.Decode(bytes, out));
    }
    SetRealTime(state);
}
BENCHMARK(BM_DecodeModel)->Unit(benchmark::kMillisecond);

void BM_DecodeLibav(benchmark::State& state) {
    const std::vector<uint8_t> bytes = Encode(Voice());
    std::vector<int16_t> out;
    for (auto _ : state) {
        LibavDecoder decoder;
        out.clear();
        benchmark::DoNotOptimize(decoder.Decode(bytes, out));
    }
    SetRealTime(state);
}
BENCHMARK(BM_DecodeLibav)->Unit(benchmark::kMillisecond);

// The converter's encode pass: pieces of 16384 bytes through the driver's stream, untaken bytes
// carried in front of the next piece.
void BM_DriverEncodePass(benchmark::State& state) {
    const std::vector<int16_t> pcm = Voice();
    std::vector<uint8_t> bytes(pcm.size() * 2);
    for (size_t i = 0; i < pcm.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(pcm[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(pcm[i] >> 8);
    }
    const auto driver = CreateTrueSpeechDriver();
    std::vector<uint8_t> destination(1638);
    for (auto _ : state) {
        std::unique_ptr<AcmStream> stream;
        driver->OpenStream(TrueSpeechPcmFormat(), TrueSpeechFormat(), ACM_STREAMOPENF_NONREALTIME,
                           stream);
        std::vector<uint8_t> pending;
        for (size_t at = 0; at < bytes.size(); at += 16384) {
            pending.insert(pending.end(), bytes.begin() + at,
                           bytes.begin() + std::min(bytes.size(), at + 16384));
            AcmConvertResult r;
            stream->Convert(pending, destination, 0, r);
            pending.erase(pending.begin(), pending.begin() + r.sourceUsed);
            benchmark::DoNotOptimize(destination.data());
        }
    }
    SetRealTime(state);
}
BENCHMARK(BM_DriverEncodePass)->Unit(benchmark::kMillisecond);

}  // namespace
