#include "platform/acm/truespeech/tests/speech.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>

namespace kivo::truespeech::testing {
namespace {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tsspeechXXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

std::vector<int16_t> SynthesiseSpeech(const std::string& text) {
    TempDir dir;
    if (dir.path().empty()) {
        return {};
    }
    const auto wav = dir.path() / "speech.wav";
    const auto raw = dir.path() / "speech.raw";
    // sox low-passes before it drops the rate to 8 kHz.
    const std::string command = "espeak-ng -w '" + wav.string() + "' '" + text + "' && sox '" +
                                wav.string() + "' -r 8000 -c 1 -b 16 -e signed -t raw '" +
                                raw.string() + "'";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    std::ifstream in(raw, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                          static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    }
    return samples;
}

std::vector<int16_t> TwoTones(int samples) {
    std::vector<int16_t> v(samples);
    for (int i = 0; i < samples; ++i) {
        const double t = i / 8000.0;
        v[i] = static_cast<int16_t>(std::lround(6000 * std::sin(2 * std::numbers::pi * 440 * t) +
                                                4000 * std::sin(2 * std::numbers::pi * 1230 * t)));
    }
    return v;
}

double SegmentalSnr(const std::vector<int16_t>& input, const std::vector<int16_t>& output) {
    constexpr size_t kSegment = 160;
    double total = 0;
    int segments = 0;
    const size_t n = std::min(input.size(), output.size());
    for (size_t at = 0; at + kSegment <= n; at += kSegment) {
        double signal = 0;
        double noise = 0;
        for (size_t i = at; i < at + kSegment; ++i) {
            const double x = input[i];
            const double d = x - output[i];
            signal += x * x;
            noise += d * d;
        }
        if (std::sqrt(signal / kSegment) < 100) {
            continue;
        }
        const double snr = noise == 0 ? 35.0 : 10 * std::log10(signal / noise);
        total += std::clamp(snr, -10.0, 35.0);
        ++segments;
    }
    return segments == 0 ? 0 : total / segments;
}

}  // namespace kivo::truespeech::testing
