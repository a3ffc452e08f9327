// A conversion pass and a RIFF round trip over a recording-sized wave (about a minute of
// 16-bit stereo PCM at 16000 samples per second); the whole voice conversion of a minute's
// recording at each rate, its speed in multiples of real time and the voice it keeps; the same
// beside the encoder; and the rate change alone.
#include "converter/convert_file.h"
#include "converter/wave.h"
#include "explorer/SC4Tools.h"
#include "platform/acm/pcm_driver.h"
#include "platform/acm/sc4/encoder.h"
#include "platform/acm/sc4/tests/speech.h"
#include "platform/acm/testing/scripted_driver.h"
#include "platform/acm/truespeech/decoder.h"
#include "platform/win/unique_fd.h"

#include <sys/mman.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

using namespace kivo::explorer;

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

// A minute's mono recording at `rate` as the explorer copies it to the PC, in a folder of its
// own that goes when this does.
class RecordingFile {
public:
    RecordingFile(uint32_t rate, const Speech& speech)
        : dir_(std::filesystem::temp_directory_path() /
               ("bench-voice-" + std::to_string(::getpid()) + "-" + std::to_string(rate))) {
        const auto format = std::find_if(
            kSC4Formats.begin(), kSC4Formats.end(),
            [&](const auto& f) { return f.channels == 1 && f.samplesPerSecond == rate; });
        if (format == kSC4Formats.end() || speech.minute.empty())
            return;
        std::filesystem::create_directories(dir_);
        std::vector<uint8_t> data(std::begin(format->pattern), std::end(format->pattern));
        std::vector<uint8_t> blocks((speech.minute.size() / kivo::sc4::kCodesPerBlock + 1) *
                                    kivo::sc4::kBlockBytes);
        blocks.resize(
            kivo::sc4::Encoder::Create({rate, 1})->Encode(speech.minute, blocks, true).bytes);
        data.insert(data.end(), blocks.begin(), blocks.end());
        const auto header = BuildSC4WaveHeader(static_cast<uint32_t>(data.size()),
                                               static_cast<int>(format - kSC4Formats.begin()));
        source_ = (dir_ / "VOICE001.WAV").string();
        destination_ = (dir_ / "voice-ts.wav").string();
        std::ofstream(source_, std::ios::binary)
            .write(reinterpret_cast<const char*>(header.data()), header.size())
            .write(reinterpret_cast<const char*>(data.data()),
                   static_cast<std::streamsize>(data.size()));
    }
    ~RecordingFile() { std::filesystem::remove_all(dir_); }
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    bool ok() const { return !source_.empty(); }
    const char* source() const { return source_.c_str(); }
    const char* destination() const { return destination_.c_str(); }

private:
    std::filesystem::path dir_;
    std::string source_;
    std::string destination_;
};

void SetRealTime(benchmark::State& state) {
    state.counters["x_realtime"] = benchmark::Counter(
        kRecordingSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The rates the recorder records at.
void RecorderRates(benchmark::internal::Benchmark* b) {
    b->Arg(8000)->Arg(11025)->Arg(16000)->Arg(32000)->Unit(benchmark::kMillisecond);
}

// The recording converted once per iteration, then the speed as "x_realtime".
void ConvertRepeatedly(benchmark::State& state, const RecordingFile& file) {
    for (auto _ : state) {
        if (ConvertVoiceFile(file.source(), file.destination(), nullptr, 0) != kConvertDone) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    SetRealTime(state);
}

// A minute's mono recording at the rate of the argument, wrapped as the explorer copies it to
// the PC and converted to TrueSpeech from file to file as the link's conversion command does:
// its speed ("x_realtime") and the segmental SNR of the result against the same speech
// synthesised at 8000 Hz ("segsnr_db"), so that every recording rate is held to the 8 kHz one.
void BM_VoiceConversion(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    const Speech reference = SpeechAt(8000);
    const RecordingFile file(rate, SpeechAt(rate));
    if (!file.ok() || reference.once.empty()) {
        state.SkipWithError("no mono recording format or no speech from espeak-ng and sox");
        return;
    }
    ConvertRepeatedly(state, file);
    // The first pass of the sentences only: the repeats of each rate fall at slightly different
    // points of the 8 kHz timeline.
    state.counters["segsnr_db"] =
        kivo::sc4::testing::SegmentalSnr(reference.once, DecodeTrueSpeechFile(file.destination()));
}
BENCHMARK(BM_VoiceConversion)->Apply(RecorderRates);

// The same conversion with a stand-in for the TrueSpeech codec that only copies a byte per
// frame: what reading, decoding, the rate change, both passes and writing cost beside the
// encoder.
void BM_VoiceConversionBesideTheEncoder(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    const RecordingFile file(rate, SpeechAt(rate));
    if (!file.ok()) {
        state.SkipWithError("no mono recording format or no speech from espeak-ng and sox");
        return;
    }
    kivo::acm::DriverScript script;
    script.tag = WAVE_FORMAT_TRUESPEECH;
    script.codedBlock = 32;
    script.pcmBlock = 480;
    script.formats = {
        {WaveFormat::Pcm(1, 8000, 16), "pcm"},
        {kivo::acm::CodedFormat(WAVE_FORMAT_TRUESPEECH, 1, 8000, 32, 240), "stand-in"}};
    HACMDRIVERID standIn = RegisterAcmDriver(
        kivo::acm::MakeScriptedDriver(script, std::make_shared<kivo::acm::ScriptedLog>()),
        AcmPlacement::First);
    ConvertRepeatedly(state, file);
    UnregisterAcmDriver(standIn);
}
BENCHMARK(BM_VoiceConversionBesideTheEncoder)->Apply(RecorderRates);

// The PCM driver's rate change of a minute's speech at the rate of the argument to 8000 Hz, fed
// as the SC4 decode stream feeds it: a converter block's samples at a time, the untaken rest
// handed in again in front of the next.
void BM_RateChange(benchmark::State& state) {
    const auto rate = static_cast<uint32_t>(state.range(0));
    const Speech speech = SpeechAt(rate);
    if (speech.minute.empty()) {
        state.SkipWithError("no speech from espeak-ng and sox");
        return;
    }
    std::vector<uint8_t> bytes(speech.minute.size() * 2);
    std::memcpy(bytes.data(), speech.minute.data(), bytes.size());
    const size_t piece = 546 * kivo::sc4::kCodesPerBlock * 2;
    std::vector<uint8_t> destination(piece * 8000 / rate * 3 / 2 + 64);
    const auto driver = kivo::acm::MakePcmDriver();
    for (auto _ : state) {
        std::unique_ptr<AcmStream> stream;
        driver->OpenStream(WaveFormat::Pcm(1, rate, 16), WaveFormat::Pcm(1, 8000, 16),
                           ACM_STREAMOPENF_NONREALTIME, stream);
        size_t taken = 0;
        for (size_t at = 0; taken < bytes.size();) {
            at = std::min(bytes.size(), std::max(at, taken) + piece);
            AcmConvertResult r;
            stream->Convert(std::span(bytes).subspan(taken, at - taken), destination,
                            at == bytes.size() ? ACM_STREAMCONVERTF_END : 0, r);
            benchmark::DoNotOptimize(destination.data());
            if (r.sourceUsed == 0 && at == bytes.size())
                break;
            taken += r.sourceUsed;
        }
    }
    SetRealTime(state);
}
BENCHMARK(BM_RateChange)->Arg(11025)->Arg(16000)->Arg(32000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
