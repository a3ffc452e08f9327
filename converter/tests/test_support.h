#pragma once

#include "converter/wave.h"
#include "platform/acm/pcm_driver.h"
#include "platform/acm/testing/scripted_driver.h"
#include "platform/win/file_size_limit.h"
#include "platform/win/msgbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace kivo::converter::testing_support {

inline std::string Le16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string Le32(uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

inline std::string Chunk(const std::string& id, const std::string& data) {
    return id + Le32(static_cast<uint32_t>(data.size())) + data +
           (data.size() % 2 ? std::string(1, '\0') : "");
}

inline std::string Riff(const std::string& body) {
    return "RIFF" + Le32(static_cast<uint32_t>(4 + body.size())) + "WAVE" + body;
}

inline std::string FormatBytes(const WaveFormat& f) {
    return std::string(reinterpret_cast<const char*>(f.bytes().data()), f.size());
}

inline WaveFormat Sc4Format(uint16_t channels, uint32_t rate = 8000) {
    return acm::CodedFormat(WAVE_FORMAT_SC4, channels, rate, 30, channels == 2 ? 29 : 58);
}

inline WaveFormat TrueSpeechFormat() {
    WAVEFORMATEX h{};
    h.wFormatTag = WAVE_FORMAT_TRUESPEECH;
    h.nChannels = 1;
    h.nSamplesPerSec = 8000;
    h.nAvgBytesPerSec = 1067;
    h.nBlockAlign = 32;
    h.wBitsPerSample = 1;
    std::vector<uint8_t> extra(32, 0);
    extra[0] = 1;
    extra[2] = 240;
    return WaveFormat(h, extra);
}

// The recorder's file: the 48-byte header, then the data as they are.
inline std::string Sc4File(uint16_t channels, const std::string& data) {
    return Riff(Chunk("fmt ", FormatBytes(Sc4Format(channels))) + Chunk("data", data));
}

// Data whose 30-byte blocks each start with their own number.
inline std::string Sc4Data(size_t blocks) {
    std::string data(blocks * 30, '\x11');
    for (size_t b = 0; b < blocks; ++b)
        data[b * 30] = static_cast<char>(b);
    return data;
}

// Scripted SC4 (tag 0x0350) and TrueSpeech (0x0022) drivers in front of the defaults,
// scripted message boxes, and a private folder; all undone afterwards.
class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageBoxHook([this](const MessageBoxRequest& r) {
            boxes_.push_back(r);
            return IDOK;
        });
        dir_ = std::filesystem::temp_directory_path() /
               ("sonoform-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        RegisterWaveClasses();
        // The passes are checked against scripted codecs: only PCM stays of the defaults.
        ClearAcmDrivers();
        RegisterAcmDriver(acm::MakePcmDriver(), AcmPlacement::Last);
    }
    void TearDown() override {
        SetMessageBoxHook({});
        ResetAcmDrivers();
        std::filesystem::remove_all(dir_);
    }

    acm::DriverScript Sc4Script() const {
        acm::DriverScript s;
        s.tag = WAVE_FORMAT_SC4;
        s.formats = {{WaveFormat::Pcm(1, 8000, 16), "pcm"}, {Sc4Format(1), "sc4"}};
        s.codedBlock = 30;
        s.pcmBlock = 116;
        return s;
    }
    acm::DriverScript TrueSpeechScript() const {
        acm::DriverScript s;
        s.tag = WAVE_FORMAT_TRUESPEECH;
        s.formats = {{WaveFormat::Pcm(1, 8000, 16), "pcm"}, {TrueSpeechFormat(), "ts"}};
        s.codedBlock = 32;
        s.pcmBlock = 480;
        return s;
    }
    // Registered in front; the last one registered comes first.
    void Register(const acm::DriverScript& script, std::shared_ptr<acm::ScriptedLog> log) {
        RegisterAcmDriver(acm::MakeScriptedDriver(script, std::move(log)), AcmPlacement::First);
    }
    void RegisterBoth() {
        Register(TrueSpeechScript(), tsLog_);
        Register(Sc4Script(), sc4Log_);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
    // The folder holds exactly these names.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& b : boxes_)
            texts.push_back(b.text);
        return texts;
    }

    std::shared_ptr<acm::ScriptedLog> sc4Log_ = std::make_shared<acm::ScriptedLog>();
    std::shared_ptr<acm::ScriptedLog> tsLog_ = std::make_shared<acm::ScriptedLog>();
    std::vector<MessageBoxRequest> boxes_;
    std::filesystem::path dir_;
};

// A block of `bytes` bytes, each its position's low byte plus `seed`.
inline std::unique_ptr<CWaveBlock> MakeBlock(int32_t bytes, int32_t samples, uint8_t seed = 0) {
    auto data = std::make_unique<uint8_t[]>(static_cast<size_t>(bytes));
    for (int32_t i = 0; i < bytes; ++i)
        data[i] = static_cast<uint8_t>(seed + i);
    return std::make_unique<CWaveBlock>(std::move(data), bytes, samples);
}

inline void SetFormat(CWave& wave, const WaveFormat& format) {
    wave.m_pFormat.assign(format.bytes().begin(), format.bytes().end());
}

}  // namespace kivo::converter::testing_support
