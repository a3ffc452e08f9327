#include "platform/acm/truespeech/encoder.h"
#include "platform/acm/truespeech/decoder.h"
#include "platform/acm/truespeech/search.h"
#include "platform/acm/truespeech/tests/libav_decoder.h"
#include "platform/acm/truespeech/tests/speech.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace kivo::truespeech {
namespace {

using testing::SegmentalSnr;
using testing::SynthesiseSpeech;
using testing::TwoTones;

struct Encoded {
    std::vector<uint8_t> bytes;
    std::vector<int16_t> reconstruction;
};

Encoded EncodeAll(const std::vector<int16_t>& pcm) {
    Encoded e;
    Encoder encoder;
    std::vector<int16_t> padded(pcm);
    padded.resize((pcm.size() + kFrameSamples - 1) / kFrameSamples * kFrameSamples);
    e.reconstruction.resize(padded.size());
    for (size_t at = 0; at < padded.size(); at += kFrameSamples) {
        const auto frame =
            encoder.EncodeFrame(std::span(padded).subspan(at).first<kFrameSamples>(),
                                std::span(e.reconstruction).subspan(at).first<kFrameSamples>());
        e.bytes.insert(e.bytes.end(), frame.begin(), frame.end());
    }
    return e;
}

std::vector<int16_t> DecodeWithLibav(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> out;
    LibavDecoder decoder;
    // Packets of 128 frames, as a WAV reader delivers them.
    for (size_t at = 0; at < bytes.size(); at += 4096) {
        const size_t n = std::min<size_t>(4096, bytes.size() - at);
        EXPECT_TRUE(decoder.Decode(std::span(bytes).subspan(at, n), out));
    }
    return out;
}

void CheckRanksOf(int m, uint32_t count) {
    std::vector<int> positions(m);
    std::vector<bool> seen(count);
    std::vector<int> pick(m);
    for (int i = 0; i < m; ++i) {
        pick[i] = i;
    }
    for (;;) {
        const uint32_t rank = PositionRank(pick);
        ASSERT_LT(rank, count);
        ASSERT_FALSE(seen[rank]);
        seen[rank] = true;
        // The decoder must place the pulses back where they were.
        const SubframeSamples c =
            m == kFirstHalfPulses ? PulseVector(0, rank, 0, 0) : PulseVector(0, 0, rank, 0);
        const int offset = m == kFirstHalfPulses ? 0 : kHalf;
        for (int i = 0; i < m; ++i) {
            ASSERT_NE(c[offset + pick[i]], 0) << rank;
        }
        int k = m - 1;
        while (k >= 0 && pick[k] == kHalf - m + k) {
            --k;
        }
        if (k < 0) {
            break;
        }
        ++pick[k];
        for (int j = k + 1; j < m; ++j) {
            pick[j] = pick[j - 1] + 1;
        }
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), count);
}

TEST(TrueSpeechRanks, EveryPositionSetRoundTrips) {
    CheckRanksOf(kFirstHalfPulses, 4060);
    CheckRanksOf(kSecondHalfPulses, 27405);
}

class TrueSpeechSpeech : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        speech_ = new std::vector<int16_t>(SynthesiseSpeech(
            "The quick brown fox jumps over the lazy dog. Please call me back at seven."));
    }
    static void TearDownTestSuite() {
        delete speech_;
        speech_ = nullptr;
    }
    static std::vector<int16_t>* speech_;
};
std::vector<int16_t>* TrueSpeechSpeech::speech_ = nullptr;

TEST_F(TrueSpeechSpeech, LibavcodecOutputEqualsTheEncodersReconstruction) {
    ASSERT_GT(speech_->size(), 8000u) << "espeak-ng and sox must be installed";
    const Encoded e = EncodeAll(*speech_);
    EXPECT_EQ(DecodeWithLibav(e.bytes), e.reconstruction);
}

TEST_F(TrueSpeechSpeech, ReachesTheSegmentalSnrTarget) {
    ASSERT_GT(speech_->size(), 8000u) << "espeak-ng and sox must be installed";
    const Encoded e = EncodeAll(*speech_);
    const double snr = SegmentalSnr(*speech_, DecodeWithLibav(e.bytes));
    RecordProperty("segsnr", std::to_string(snr));
    EXPECT_GE(snr, 8.0);
}

TEST_F(TrueSpeechSpeech, EncodedFramesAmongRandomOnesStillDecodeAsLibavcodecDoes) {
    ASSERT_GT(speech_->size(), 8000u) << "espeak-ng and sox must be installed";
    const Encoded e = EncodeAll(*speech_);
    std::mt19937 rng(3);
    std::vector<uint8_t> mixed;
    for (size_t at = 0; at < e.bytes.size(); at += kFrameBytes) {
        mixed.insert(mixed.end(), e.bytes.begin() + at, e.bytes.begin() + at + kFrameBytes);
        if (rng() % 4 == 0) {
            for (int i = 0; i < kFrameBytes; ++i) {
                mixed.push_back(static_cast<uint8_t>(rng()));
            }
        }
    }
    std::vector<int16_t> ours(mixed.size() / kFrameBytes * kFrameSamples);
    Decoder decoder;
    decoder.Decode(mixed, ours);
    EXPECT_EQ(DecodeWithLibav(mixed), ours);
}

TEST(TrueSpeechEncoder, SignalsKeepTheirShape) {
    struct Case {
        const char* name;
        std::vector<int16_t> input;
        double minimumSnr;
    };
    std::vector<int16_t> loud(4800);
    std::mt19937 rng(5);
    for (auto& v : loud) {
        v = static_cast<int16_t>(rng() % 2 ? 30000 : -30000);
    }
    const Case cases[] = {
        {"two tones", TwoTones(8000), 15.0},
        {"full-scale noise", loud, -10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Encoded e = EncodeAll(c.input);
        const std::vector<int16_t> decoded = DecodeWithLibav(e.bytes);
        EXPECT_EQ(decoded, e.reconstruction);
        EXPECT_GE(SegmentalSnr(c.input, decoded), c.minimumSnr);
    }
}

TEST(TrueSpeechEncoder, SilenceStaysNearlySilent) {
    const Encoded e = EncodeAll(std::vector<int16_t>(2400, 0));
    for (int16_t v : DecodeWithLibav(e.bytes)) {
        ASSERT_LE(std::abs(v), 8);
    }
}

// A filter whose response overflows leaves no score to rank; the pulses still land inside the
// subframe, three in its first half and four in its second.
TEST(TrueSpeechEncoder, PulsesOfAnOverflowingResponseStayInTheSubframe) {
    for (const float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(bad);
        Response r;
        r.h.fill(bad);
        for (Signal& row : r.byOffset) {
            row.fill(bad);
        }
        r.inverseEnergy.fill(bad);
        Signal target;
        for (int i = 0; i < kSubframeSamples; ++i) {
            target[i] = static_cast<float>(i % 7) * 100;
        }
        const PulseChoice c = SearchPulses(r, target);
        EXPECT_LT(c.gain, kPulseGains);
        const SubframeSamples pulses = PulseVector(c.amplitudes, c.firstRank, c.secondRank, c.gain);
        const auto placed = [&](int from, int to) {
            return std::count_if(pulses.begin() + from, pulses.begin() + to,
                                 [](int16_t v) { return v != 0; });
        };
        EXPECT_EQ(placed(0, kHalf), kFirstHalfPulses);
        EXPECT_EQ(placed(kHalf, kSubframeSamples), kSecondHalfPulses);
    }
}

// Filters prepared side by side give each the response it has alone, in whichever place.
TEST(TrueSpeechEncoder, ResponsesPreparedTogetherEqualEachAlone) {
    std::mt19937 rng(17);
    std::array<Lpc, kResponses> filters;
    for (Lpc& f : filters) {
        std::array<uint8_t, kOrder> reflection;
        for (uint8_t& r : reflection) {
            r = static_cast<uint8_t>(rng());
        }
        f = SetupFrame(Lpc{}, reflection, false).lpc;
    }
    const int16_t k1 = -21000;
    const std::array<Signal, kResponses> together = ImpulseResponses(filters, k1);
    for (int f = 0; f < kResponses; ++f) {
        std::array<Lpc, kResponses> alone;
        alone.fill(filters[f]);
        EXPECT_EQ(together[f], ImpulseResponses(alone, k1)[(f + 1) % kResponses]) << f;
    }
}

}  // namespace
}  // namespace kivo::truespeech
