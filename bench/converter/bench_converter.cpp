// A conversion pass and a RIFF round trip over a recording-sized wave (about a minute of
// 16-bit stereo PCM at 16000 samples per second), and the whole voice conversion of a minute's
// recording at each rate: its speed in multiples of real time and the voice it keeps.
#include "converter/convert_file.h"
#include "converter/wave.h"
#include "explorer/SC4Tools.h"
#include "platform/acm/sc4/encoder.h"
#include "platform/acm/sc4/tests/speech.h"
#include "platform/acm/truespeech/decoder.h"
#include "platform/win/unique_fd.h"

#include <sys/mman.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace kivo::converter;

using kivo::win::UniqueFd;

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

constexpr double kRecordingSeconds = 60.0;

// The synthesiser's speech at `rate`: the sentences once, then repeated to a minute.
struct Speech {
    std::vector<int16_t> once;
    std::vector<int16_t> minute;
};

Speech SpeechAt(uint32_t rate) {
    Speech s;
    s.once = kivo::sc4::testing::SynthesiseSpeech(
        "Please call me back tomorrow morning, the meeting moved to half past nine. Seven bright "
        "yellow boxes were shipped to the old harbour yesterday.",
        rate);
    if (s.once.empty())
        return s;
    s.minute.resize(static_cast<size_t>(kRecordingSeconds * rate));
    for (size_t i = 0; i < s.minute.size(); ++i)
        s.minute[i] = s.once[i % s.once.size()];
    return s;
}

// The samples our own decoder gets from the data chunk of a TrueSpeech wave file.
std::vector<int16_t> DecodeTrueSpeechFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    auto le32 = [&](size_t at) {
        return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t{file[at + 3]} << 24;
    };
    for (size_t at = 12; at + 8 <= file.size();) {
        const size_t size = std::min<size_t>(le32(at + 4), file.size() - at - 8);
        if (std::string(file.begin() + at, file.begin() + at + 4) == "data") {
            std::vector<int16_t> pcm(size / kivo::truespeech::kFrameBytes *
                                     kivo::truespeech::kFrameSamples);
            kivo::truespeech::Decoder decoder;
            pcm.resize(decoder.Decode(std::span(file).subspan(at + 8, size), pcm));
            return pcm;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

// A minute's mono recording at the rate of the argument, wrapped as the explorer copies it to
// the PC and converted to TrueSpeech from file to file as the link's conversion command does:
// its speed ("x_realtime") and the segmental SNR of the result against the same speech
// synthesised at 8000 Hz ("segsnr_db"), so that every recording rate is held to the 8 kHz one.
void BM_VoiceConversion(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    const auto format = std::find_if(kSC4Formats.begin(), kSC4Formats.end(), [&](const auto& f) {
        return f.channels == 1 && f.samplesPerSecond == rate;
    });
    const Speech speech = SpeechAt(rate);
    const Speech reference = SpeechAt(8000);
    if (format == kSC4Formats.end() || speech.once.empty() || reference.once.empty()) {
        state.SkipWithError("no mono recording format or no speech from espeak-ng and sox");
        return;
    }
    const auto dir =
        std::filesystem::temp_directory_path() / ("bench-voice-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> data(std::begin(format->pattern), std::end(format->pattern));
    std::vector<uint8_t> blocks((speech.minute.size() / kivo::sc4::kCodesPerBlock + 1) *
                                kivo::sc4::kBlockBytes);
    blocks.resize(kivo::sc4::Encoder::Create({rate, 1})->Encode(speech.minute, blocks, true).bytes);
    data.insert(data.end(), blocks.begin(), blocks.end());
    const auto header = BuildSC4WaveHeader(static_cast<uint32_t>(data.size()),
                                           static_cast<int>(format - kSC4Formats.begin()));
    const std::string source = (dir / "VOICE001.WAV").string();
    const std::string destination = (dir / "voice-ts.wav").string();
    std::ofstream(source, std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()), header.size())
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));

    for (auto _ : state) {
        if (ConvertVoiceFile(source.c_str(), destination.c_str(), nullptr, 0) != kConvertDone) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.counters["x_realtime"] = benchmark::Counter(
        kRecordingSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // The first pass of the sentences only: the repeats of each rate fall at slightly different
    // points of the 8 kHz timeline.
    state.counters["segsnr_db"] =
        kivo::sc4::testing::SegmentalSnr(reference.once, DecodeTrueSpeechFile(destination));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_VoiceConversion)
    ->Arg(8000)
    ->Arg(11025)
    ->Arg(16000)
    ->Arg(32000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
