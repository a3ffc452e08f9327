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

}  // namespace kivo::truespeech::testing
