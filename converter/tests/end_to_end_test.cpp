// A voice recording as the player stores it, wrapped as the explorer does and converted by the
// shipped library with the codecs every process registers, read back by libavformat.
#include "converter/progress.h"
#include "explorer/SC4Tools.h"
#include "platform/acm/sc4/encoder.h"
#include "platform/acm/sc4/tests/speech.h"
#include "platform/win/msgbox.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace kivo::explorer;

namespace kivo::converter {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kTrueSpeechFrame = 240;

struct Recorder {
    const char* name;
    sc4::StreamFormat format;
    Bytes sync;
    double minSnr;  // segmental SNR of the result against the speech made at 8000 Hz
};

// The player's recording: the sync pattern of its format, then the encoded blocks.
Bytes PlayerRecording(const Recorder& r, const std::vector<int16_t>& pcm) {
    auto encoder = sc4::Encoder::Create(r.format);
    Bytes blocks((pcm.size() / sc4::kCodesPerBlock + 1) * sc4::kBlockBytes);
    blocks.resize(encoder->Encode(pcm, blocks, true).bytes);
    Bytes file = r.sync;
    file.insert(file.end(), blocks.begin(), blocks.end());
    return file;
}

std::vector<int16_t> Speech(uint32_t rate, unsigned channels) {
    using namespace sc4::testing;
    if (channels == 1)
        return SpeechSample(rate, 0);
    return Interleave(SpeechSample(rate, 0), SpeechSample(rate, 1));
}

// The channels mixed to one, as the conversion to mono does.
std::vector<int16_t> Mixed(const std::vector<int16_t>& pcm, unsigned channels) {
    if (channels == 1)
        return pcm;
    std::vector<int16_t> mono(pcm.size() / 2);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = static_cast<int16_t>((pcm[2 * i] + pcm[2 * i + 1]) / 2);
    return mono;
}

struct FormatClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// What libavformat finds in a file and what libavcodec decodes from its one audio stream.
struct Opened {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int sampleRate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
};

void OpenWithLibav(const std::string& path, Opened& opened) {
    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), 0);
    std::unique_ptr<AVFormatContext, FormatClose> format(raw);
    ASSERT_GE(avformat_find_stream_info(format.get(), nullptr), 0);
    ASSERT_EQ(format->nb_streams, 1u);
    const AVCodecParameters* par = format->streams[0]->codecpar;
    opened.codec = par->codec_id;
    opened.sampleRate = par->sample_rate;
    opened.channels = par->ch_layout.nb_channels;

    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    ASSERT_NE(codec, nullptr);
    std::unique_ptr<AVCodecContext, CodecFree> context(avcodec_alloc_context3(codec));
    ASSERT_GE(avcodec_parameters_to_context(context.get(), par), 0);
    ASSERT_EQ(avcodec_open2(context.get(), codec, nullptr), 0);
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            ASSERT_EQ(frame->format, AV_SAMPLE_FMT_S16);
            const auto* s = reinterpret_cast<const int16_t*>(frame->data[0]);
            opened.samples.insert(opened.samples.end(), s, s + frame->nb_samples);
        }
    };
    while (av_read_frame(format.get(), packet.get()) == 0) {
        ASSERT_EQ(avcodec_send_packet(context.get(), packet.get()), 0);
        av_packet_unref(packet.get());
        drain();
    }
    ASSERT_EQ(avcodec_send_packet(context.get(), nullptr), 0);
    drain();
}

class EndToEnd : public ::testing::TestWithParam<Recorder> {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("sonoform-e2e-" + std::to_string(getpid()) + "-" + GetParam().name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static int32_t Progress(int32_t pass, int32_t percent, uint32_t) {
        progress_.emplace_back(pass, percent);
        return 0;
    }

    std::filesystem::path dir_;
    static inline std::vector<std::pair<int, int>> progress_;
};

// The link loads the library by name from the programs' folder; so does this test.
class SonoformLibrary {
public:
    SonoformLibrary() {
        char self[4096] = {};
        if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
            return;
        const auto path = std::filesystem::path(self).parent_path() / "libsonoform.so";
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    ~SonoformLibrary() {
        if (handle_)
            dlclose(handle_);
    }
    SonoformLibrary(const SonoformLibrary&) = delete;
    SonoformLibrary& operator=(const SonoformLibrary&) = delete;

    using Entry = int32_t (*)(const char*, const char*, ConvertProgressCallback, uint32_t);
    Entry entry() const {
        return handle_ ? reinterpret_cast<Entry>(dlsym(handle_, "PELK_sonoform")) : nullptr;
    }

private:
    void* handle_ = nullptr;
};

TEST_P(EndToEnd, PlayerRecordingBecomesTrueSpeechOfItsDuration) {
    const Recorder& r = GetParam();
    std::vector<MessageBoxRequest> boxes;
    ScopedMessageBoxHook hook([&](const MessageBoxRequest& b) {
        boxes.push_back(b);
        return IDOK;
    });

    const std::vector<int16_t> speech = Speech(r.format.samplesPerSec, r.format.channels);
    ASSERT_GT(speech.size(), 8000u);
    const Bytes recording = PlayerRecording(r, speech);
    std::ofstream(Path("VOICE001.SC4"), std::ios::binary)
        .write(reinterpret_cast<const char*>(recording.data()),
               static_cast<std::streamsize>(recording.size()));
    ASSERT_EQ(ConvertSC4ToWav(Path("VOICE001.SC4"), ""), 0);

    const SonoformLibrary library;
    const SonoformLibrary::Entry convert = library.entry();
    ASSERT_NE(convert, nullptr) << dlerror();
    progress_.clear();
    ASSERT_EQ(convert(Path("VOICE001.WAV").c_str(), Path("voice-ts.wav").c_str(), Progress, 0), 0);
    EXPECT_TRUE(boxes.empty());
    const auto pass2 = std::find(progress_.begin(), progress_.end(), std::pair{2, 100});
    EXPECT_NE(std::find(progress_.begin(), pass2, std::pair{1, 100}), pass2);
    EXPECT_EQ(pass2, progress_.end() - 1);

    Opened opened;
    ASSERT_NO_FATAL_FAILURE(OpenWithLibav(Path("voice-ts.wav"), opened));
    EXPECT_EQ(opened.codec, AV_CODEC_ID_TRUESPEECH);
    EXPECT_EQ(opened.sampleRate, 8000);
    EXPECT_EQ(opened.channels, 1);

    // The recording's frames at 8000 per second; each pass may drop less than one frame of
    // its target codec at the end.
    const uint64_t frames =
        (recording.size() / sc4::kBlockBytes) * sc4::SamplesPerBlock(r.format.channels);
    const uint64_t expected = frames * 8000 / r.format.samplesPerSec;
    EXPECT_LE(opened.samples.size(), expected);
    EXPECT_GE(opened.samples.size() + 2 * kTrueSpeechFrame, expected);

    // The voice as well as a recording made at 8000 Hz gives it: the rate change keeps the
    // voice band in time and folds nothing into it.
    const std::vector<int16_t> reference =
        Mixed(Speech(8000, r.format.channels), r.format.channels);
    const double snr = sc4::testing::SegmentalSnr(reference, opened.samples);
    RecordProperty("segmental_snr_db", std::to_string(snr));
    EXPECT_GE(snr, r.minSnr);
}

// Each floor just below what the recording reaches: 10.5 dB mono and 9.4 dB stereo at every
// rate, the TrueSpeech coding's own loss; holding frames instead of filtering lost up to 2.6 dB.
const Recorder kRecorders[] = {
    {"mono8000", {8000, 1}, {0x01, 0x1B, 0x1D}, 10.2},
    {"stereo8000", {8000, 2}, {0x01, 0x1B, 0x1E}, 9.1},
    {"mono11025", {11025, 1}, {0x01, 0x1B, 0x1A}, 10.2},
    {"mono16000", {16000, 1}, {0x02, 0xB2, 0x2C}, 10.2},
    {"stereo16000", {16000, 2}, {0x02, 0xB2, 0x2B}, 9.1},
    {"mono32000", {32000, 1}, {0x02, 0xB2, 0x2E}, 10.2},
};

void PrintTo(const Recorder& r, std::ostream* os) {
    *os << r.name;
}

INSTANTIATE_TEST_SUITE_P(Recordings, EndToEnd, ::testing::ValuesIn(kRecorders),
                         [](const ::testing::TestParamInfo<Recorder>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace kivo::converter
