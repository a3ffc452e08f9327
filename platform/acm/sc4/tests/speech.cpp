#include "platform/acm/sc4/tests/speech.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace kivo::sc4::testing {

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

// The samples of a 16-bit PCM WAV file as written by the synthesiser and the resampler.
std::vector<int16_t> ReadPcmWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    std::vector<int16_t> pcm;
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF")
        return pcm;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
        const size_t size = std::min<size_t>(Le32(bytes, at + 4), bytes.size() - at - 8);
        if (id == "data") {
            for (size_t i = 0; i + 1 < size; i += 2) {
                pcm.push_back(static_cast<int16_t>(bytes[at + 8 + i] | (bytes[at + 9 + i] << 8)));
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return pcm;
}

}  // namespace

std::vector<int16_t> SynthesiseSpeech(const std::string& text, uint32_t rate) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("sc4-speech-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto voice = dir / "voice.wav";
    const auto resampled = dir / ("voice-" + std::to_string(rate) + ".wav");
    const std::string synth = "espeak-ng -w '" + voice.string() + "' '" + text + "'";
    const std::string resample = "sox -D '" + voice.string() + "' -r " + std::to_string(rate) +
                                 " '" + resampled.string() + "'";
    EXPECT_EQ(std::system(synth.c_str()), 0) << synth;
    EXPECT_EQ(std::system(resample.c_str()), 0) << resample;
    std::vector<int16_t> pcm = ReadPcmWav(resampled);
    std::filesystem::remove_all(dir);
    return pcm;
}

const std::vector<int16_t>& SpeechSample(uint32_t rate, int voice) {
    static std::map<std::pair<uint32_t, int>, std::vector<int16_t>> cache;
    static const char* const kTexts[] = {
        "Please call me back tomorrow morning, the meeting moved to half past nine.",
        "Seven bright yellow boxes were shipped to the old harbour yesterday."};
    auto& pcm = cache[{rate, voice}];
    if (pcm.empty())
        pcm = SynthesiseSpeech(kTexts[voice], rate);
    return pcm;
}

std::vector<int16_t> Interleave(const std::vector<int16_t>& left,
                                const std::vector<int16_t>& right) {
    const size_t frames = std::max(left.size(), right.size());
    std::vector<int16_t> out(2 * frames, 0);
    for (size_t i = 0; i < left.size(); ++i)
        out[2 * i] = left[i];
    for (size_t i = 0; i < right.size(); ++i)
        out[2 * i + 1] = right[i];
    return out;
}

std::vector<int16_t> Channel(const std::vector<int16_t>& pcm, unsigned channels, unsigned index) {
    std::vector<int16_t> out;
    for (size_t i = index; i < pcm.size(); i += channels)
        out.push_back(pcm[i]);
    return out;
}

}  // namespace kivo::sc4::testing
