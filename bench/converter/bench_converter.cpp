// A conversion pass and a RIFF round trip over a recording-sized wave (about a minute of
// 16-bit stereo PCM at 16000 samples per second).
#include "converter/wave.h"
#include "platform/win/unique_fd.h"

#include <sys/mman.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kPortions = 250;
constexpr int32_t kPortionBytes = 16384;

void Fill(CWave& wave) {
    const WaveFormat format = WaveFormat::Pcm(2, 16000, 16);
    wave.m_pFormat.assign(format.bytes().begin(), format.bytes().end());
    wave.m_wFormatTag = WAVE_FORMAT_PCM;
    wave.RemoveAllBlocks();
    for (int p = 0; p < kPortions; ++p) {
        auto data = std::make_unique<uint8_t[]>(kPortionBytes);
        for (int32_t i = 0; i < kPortionBytes; ++i)
            data[i] = static_cast<uint8_t>(i * 7 + p);
        wave.m_blocks.AddTail(
            std::make_unique<CWaveBlock>(std::move(data), kPortionBytes, kPortionBytes / 2));
    }
}

// Decodes to the PCM driver's first format: 8000 samples per second, mono.
void BM_PcmPass(benchmark::State& state) {
    CWave wave(0);
    for (auto _ : state) {
        state.PauseTiming();
        Fill(wave);
        state.ResumeTiming();
        if (wave.Convert(nullptr, 1, 0) != 1)
            state.SkipWithError("pass failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kPortions} * kPortionBytes);
}
BENCHMARK(BM_PcmPass)->Unit(benchmark::kMillisecond);

HMMIO OpenOn(int fd, uint32_t flags) {
    MMIOINFO info{};
    info.adwInfo[0] = static_cast<uintptr_t>(fd);
    return mmioOpenA(nullptr, &info, flags | MMIO_ALLOCBUF);
}

void BM_RiffRoundTrip(benchmark::State& state) {
    CWave wave(0);
    Fill(wave);
    for (auto _ : state) {
        UniqueFd file(memfd_create("bench", 0));
        HMMIO writer = OpenOn(file.get(), MMIO_WRITE);
        const int written = wave.WriteRiff(writer);
        mmioClose(writer, MMIO_FHOPEN);
        CWave read(0);
        HMMIO reader = OpenOn(file.get(), MMIO_READ);
        const int loaded = read.ReadRiff(reader);
        mmioClose(reader, MMIO_FHOPEN);
        if (written != 1 || loaded != 1)
            state.SkipWithError("round trip failed");
    }
    state.SetBytesProcessed(state.iterations() * 2 * int64_t{kPortions} * kPortionBytes);
}
BENCHMARK(BM_RiffRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
