#include "platform/acm/acm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

HACMDRIVERID PcmDriverId() {
    HACMDRIVERID found = nullptr;
    acmDriverEnum(
        [](HACMDRIVERID id, uintptr_t instance, uint32_t support) -> BOOL {
            if (support != ACMDRIVERDETAILS_SUPPORTF_CONVERTER)
                return TRUE;
            *reinterpret_cast<HACMDRIVERID*>(instance) = id;
            return FALSE;
        },
        reinterpret_cast<uintptr_t>(&found), 0);
    return found;
}

// Runs the whole input through one stream, feeding back what it did not take; the last
// portion ends the stream.
std::vector<uint8_t> ConvertAll(const WaveFormat& from, const WaveFormat& to,
                                std::vector<uint8_t> input, size_t portion) {
    HACMDRIVER driver = nullptr;
    EXPECT_EQ(acmDriverOpen(&driver, PcmDriverId(), 0), MMSYSERR_NOERROR);
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(acmStreamOpen(&stream, driver, from.record(), to.record(), nullptr, 0, 0,
                            ACM_STREAMOPENF_NONREALTIME),
              MMSYSERR_NOERROR);
    std::vector<uint8_t> output;
    std::vector<uint8_t> pending;
    std::vector<uint8_t> destination(std::max<size_t>(4096, 4 * input.size()));
    for (size_t at = 0; at < input.size(); at += portion) {
        pending.insert(pending.end(), input.begin() + at,
                       input.begin() + std::min(input.size(), at + portion));
        ACMSTREAMHEADER header{};
        header.cbStruct = kAcmStreamHeaderSize;
        header.pbSrc = pending.data();
        header.cbSrcLength = static_cast<uint32_t>(pending.size());
        header.pbDst = destination.data();
        header.cbDstLength = static_cast<uint32_t>(destination.size());
        EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
        const bool last = at + portion >= input.size();
        EXPECT_EQ(acmStreamConvert(stream, &header, last ? ACM_STREAMCONVERTF_END : 0),
                  MMSYSERR_NOERROR);
        output.insert(output.end(), destination.begin(),
                      destination.begin() + header.cbDstLengthUsed);
        EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
        pending.erase(pending.begin(), pending.begin() + header.cbSrcLengthUsed);
    }
    acmStreamClose(stream, 0);
    acmDriverClose(driver, 0);
    return output;
}

std::vector<uint8_t> Samples16(std::initializer_list<int16_t> values) {
    std::vector<uint8_t> bytes;
    for (int16_t v : values) {
        bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return bytes;
}

TEST(PcmDriver, ListsSixteenBitMonoAtEightKilohertzFirst) {
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, PcmDriverId(), 0), MMSYSERR_NOERROR);
    std::vector<uint8_t> buffer(18);
    ACMFORMATDETAILSA details{};
    details.cbStruct = kAcmFormatDetailsSize;
    details.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
    details.cbwfx = 18;
    WaveFormat first;
    acmFormatEnumA(
        driver, &details,
        [](HACMDRIVERID, ACMFORMATDETAILSA* d, uintptr_t instance, uint32_t) -> BOOL {
            *reinterpret_cast<WaveFormat*>(instance) = WaveFormat::FromRecord(d->pwfx);
            return FALSE;
        },
        reinterpret_cast<uintptr_t>(&first), 0);
    EXPECT_EQ(first, WaveFormat::Pcm(1, 8000, 16));
    acmDriverClose(driver, 0);
}

struct PcmCase {
    const char* name;
    WaveFormat from;
    WaveFormat to;
    std::vector<uint8_t> input;
    std::vector<uint8_t> expected;
    friend void PrintTo(const PcmCase& c, std::ostream* os) { *os << c.name; }
};

class PcmConversion : public ::testing::TestWithParam<PcmCase> {};

TEST_P(PcmConversion, ConvertsWhateverPortionsItIsGiven) {
    const PcmCase& c = GetParam();
    for (size_t portion : {c.input.size(), size_t{3}, size_t{1}}) {
        EXPECT_EQ(ConvertAll(c.from, c.to, c.input, portion), c.expected) << "portion " << portion;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PcmConversion,
    ::testing::Values(PcmCase{"StereoToMonoAverages", WaveFormat::Pcm(2, 8000, 16),
                              WaveFormat::Pcm(1, 8000, 16), Samples16({100, 300, -50, -150}),
                              Samples16({200, -100})},
                      PcmCase{"MonoToStereoDuplicates", WaveFormat::Pcm(1, 8000, 16),
                              WaveFormat::Pcm(2, 8000, 16), Samples16({5, -7}),
                              Samples16({5, 5, -7, -7})},
                      PcmCase{"SixteenToEightBits",
                              WaveFormat::Pcm(1, 8000, 16),
                              WaveFormat::Pcm(1, 8000, 8),
                              Samples16({0, 32767, -32768}),
                              {128, 255, 0}},
                      PcmCase{"EightToSixteenBits",
                              WaveFormat::Pcm(1, 8000, 8),
                              WaveFormat::Pcm(1, 8000, 16),
                              {128, 129, 0},
                              Samples16({0, 256, -32768})}),
    [](const auto& info) { return std::string(info.param.name); });

struct RateCase {
    const char* name;
    WaveFormat from;
    WaveFormat to;
    double hertz;  // a tone of this frequency goes in
    bool passes;   // below the lower Nyquist frequency it comes out as it went in, above it not
    friend void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }
};

class RateChange : public ::testing::TestWithParam<RateCase> {};

// The tone at the output's own times: the filter neither delays the voice nor folds what lies
// above the lower Nyquist frequency back into it, whatever portions the stream is given.
TEST_P(RateChange, KeepsTheVoiceBandInTimeAndDropsWhatLiesAbove) {
    const RateCase& c = GetParam();
    constexpr double kAmplitude = 8000;
    const double from = c.from.samplesPerSec();
    const double to = c.to.samplesPerSec();
    const size_t frames = static_cast<size_t>(from / 4);
    std::vector<uint8_t> input;
    for (size_t n = 0; n < frames; ++n) {
        const auto v = static_cast<int16_t>(
            std::lround(kAmplitude * std::sin(2 * std::numbers::pi * c.hertz * n / from)));
        for (int ch = 0; ch < c.from.channels(); ++ch) {
            input.push_back(static_cast<uint8_t>(v & 0xFF));
            input.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        }
    }
    const std::vector<uint8_t> whole = ConvertAll(c.from, c.to, input, input.size());
    EXPECT_EQ(ConvertAll(c.from, c.to, input, 1234), whole);
    const size_t outFrames = whole.size() / c.to.blockAlign();
    EXPECT_EQ(outFrames, static_cast<size_t>(std::ceil(frames * to / from)));

    // Away from both ends, where the filter reaches past the tone.
    double worst = 0;
    double energy = 0;
    size_t counted = 0;
    for (size_t k = outFrames / 5; k < outFrames * 4 / 5; ++k, ++counted) {
        const uint8_t* frame = whole.data() + k * c.to.blockAlign();
        const double y = static_cast<int16_t>(frame[0] | frame[1] << 8);
        const double expected =
            c.passes ? kAmplitude * std::sin(2 * std::numbers::pi * c.hertz * k / to) : 0;
        worst = std::max(worst, std::fabs(y - expected));
        energy += y * y;
    }
    if (c.passes) {
        EXPECT_LT(worst, kAmplitude / 100);
    } else {
        EXPECT_LT(std::sqrt(energy / counted), kAmplitude / 300);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RateChange,
    ::testing::Values(RateCase{"Down11025Passes1000", WaveFormat::Pcm(1, 11025, 16),
                               WaveFormat::Pcm(1, 8000, 16), 1000, true},
                      RateCase{"Down16000StereoPasses3000", WaveFormat::Pcm(2, 16000, 16),
                               WaveFormat::Pcm(1, 8000, 16), 3000, true},
                      RateCase{"Down32000Passes440", WaveFormat::Pcm(1, 32000, 16),
                               WaveFormat::Pcm(1, 8000, 16), 440, true},
                      RateCase{"Up8000To11025Passes3000", WaveFormat::Pcm(1, 8000, 16),
                               WaveFormat::Pcm(1, 11025, 16), 3000, true},
                      RateCase{"Down11025Drops4500", WaveFormat::Pcm(1, 11025, 16),
                               WaveFormat::Pcm(1, 8000, 16), 4500, false},
                      RateCase{"Down32000Drops5000", WaveFormat::Pcm(1, 32000, 16),
                               WaveFormat::Pcm(1, 8000, 16), 5000, false},
                      RateCase{"Down44100StereoDrops6000", WaveFormat::Pcm(2, 44100, 16),
                               WaveFormat::Pcm(2, 8000, 16), 6000, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PcmDriver, RefusesWhatIsNotPlainPcm) {
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, PcmDriverId(), 0), MMSYSERR_NOERROR);
    WAVEFORMATEX zeroRate = *WaveFormat::Pcm(1, 8000, 16).record();
    zeroRate.nSamplesPerSec = 0;
    WAVEFORMATEX coded = *WaveFormat::Pcm(1, 8000, 16).record();
    coded.wFormatTag = WAVE_FORMAT_SC4;
    const WaveFormat good = WaveFormat::Pcm(1, 8000, 16);
    HACMSTREAM stream = nullptr;
    for (const WAVEFORMATEX& bad : {zeroRate, coded}) {
        EXPECT_EQ(acmStreamOpen(&stream, driver, &bad, good.record(), nullptr, 0, 0, 0),
                  ACMERR_NOTPOSSIBLE);
        EXPECT_EQ(acmStreamOpen(&stream, driver, good.record(), &bad, nullptr, 0, 0, 0),
                  ACMERR_NOTPOSSIBLE);
    }
    acmDriverClose(driver, 0);
}

}  // namespace
