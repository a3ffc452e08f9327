#include "platform/acm/acm.h"
#include "platform/acm/testing/scripted_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using kivo::acm::DriverScript;

class ManagerTest : public ::testing::Test {
protected:
    void TearDown() override { ResetAcmDrivers(); }

    static std::vector<HACMDRIVERID> Enumerate() {
        std::vector<HACMDRIVERID> ids;
        EXPECT_EQ(acmDriverEnum(
                      [](HACMDRIVERID id, uintptr_t instance, uint32_t) -> BOOL {
                          reinterpret_cast<std::vector<HACMDRIVERID>*>(instance)->push_back(id);
                          return TRUE;
                      },
                      reinterpret_cast<uintptr_t>(&ids), 0),
                  MMSYSERR_NOERROR);
        return ids;
    }

    static HACMDRIVERID AddScripted(AcmPlacement placement, DriverScript script = {}) {
        return RegisterAcmDriver(kivo::acm::MakeScriptedDriver(
                                     std::move(script), std::make_shared<kivo::acm::ScriptedLog>()),
                                 placement);
    }
};

TEST_F(ManagerTest, DriversAreEnumeratedInRegistrationOrderWithFrontPlacement) {
    const auto defaults = Enumerate();
    ASSERT_EQ(defaults.size(), 3u);  // PCM, SC4, TrueSpeech
    HACMDRIVERID last = AddScripted(AcmPlacement::Last);
    HACMDRIVERID first = AddScripted(AcmPlacement::First);
    EXPECT_EQ(Enumerate(),
              (std::vector<HACMDRIVERID>{first, defaults[0], defaults[1], defaults[2], last}));

    EXPECT_TRUE(UnregisterAcmDriver(first));
    EXPECT_FALSE(UnregisterAcmDriver(first));
    EXPECT_EQ(Enumerate(),
              (std::vector<HACMDRIVERID>{defaults[0], defaults[1], defaults[2], last}));

    ClearAcmDrivers();
    EXPECT_TRUE(Enumerate().empty());
    ResetAcmDrivers();
    EXPECT_EQ(Enumerate().size(), 3u);
}

TEST_F(ManagerTest, EnumerationStopsWhenTheStepSaysSo) {
    AddScripted(AcmPlacement::Last);
    int steps = 0;
    acmDriverEnum(
        [](HACMDRIVERID, uintptr_t instance, uint32_t) -> BOOL {
            ++*reinterpret_cast<int*>(instance);
            return FALSE;
        },
        reinterpret_cast<uintptr_t>(&steps), 0);
    EXPECT_EQ(steps, 1);
}

TEST_F(ManagerTest, OpenDriverReportsLargestFormatAndEnumeratesIntoTheCallersBuffer) {
    DriverScript script;
    script.formats = {{WaveFormat::Pcm(1, 8000, 16), "pcm"},
                      {kivo::acm::CodedFormat(WAVE_FORMAT_SC4, 1, 8000, 30, 58), "coded"}};
    HACMDRIVERID id = AddScripted(AcmPlacement::First, script);

    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, id, 0), MMSYSERR_NOERROR);
    uint32_t largest = 0;
    EXPECT_EQ(acmMetrics(driver, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);
    EXPECT_EQ(largest, 20u);
    EXPECT_EQ(acmMetrics(id, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);

    struct Seen {
        std::vector<WaveFormat> formats;
        std::vector<std::string> texts;
        HACMDRIVERID id;
    } seen;
    std::vector<uint8_t> buffer(largest);
    ACMFORMATDETAILSA details{};
    details.cbStruct = kAcmFormatDetailsSize;
    details.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer.data());
    details.cbwfx = largest;
    ASSERT_EQ(
        acmFormatEnumA(
            driver, &details,
            [](HACMDRIVERID from, ACMFORMATDETAILSA* d, uintptr_t instance, uint32_t) -> BOOL {
                auto* s = reinterpret_cast<Seen*>(instance);
                s->formats.push_back(WaveFormat::FromRecord(d->pwfx));
                s->texts.push_back(d->szFormat);
                s->id = from;
                return TRUE;
            },
            reinterpret_cast<uintptr_t>(&seen), 0),
        MMSYSERR_NOERROR);
    ASSERT_EQ(seen.formats.size(), 2u);
    EXPECT_EQ(seen.formats[0], script.formats[0].format);
    EXPECT_EQ(seen.formats[1], script.formats[1].format);
    EXPECT_EQ(seen.texts[1], "coded");
    EXPECT_EQ(seen.id, id);

    details.cbwfx = 18;  // too small for the coded format
    EXPECT_EQ(
        acmFormatEnumA(
            driver, &details,
            [](HACMDRIVERID, ACMFORMATDETAILSA*, uintptr_t, uint32_t) -> BOOL { return TRUE; }, 0,
            0),
        MMSYSERR_INVALPARAM);
    EXPECT_EQ(acmDriverClose(driver, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmDriverClose(driver, 0), MMSYSERR_INVALHANDLE);
}

TEST_F(ManagerTest, StaleAndUnknownHandlesAreRefused) {
    HACMDRIVERID id = AddScripted(AcmPlacement::Last);
    ASSERT_TRUE(UnregisterAcmDriver(id));
    HACMDRIVER driver = nullptr;
    EXPECT_EQ(acmDriverOpen(&driver, id, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(driver, nullptr);
    uint32_t value = 0;
    EXPECT_EQ(acmMetrics(id, ACM_METRIC_MAX_SIZE_FORMAT, &value), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(acmStreamClose(nullptr, 0), MMSYSERR_INVALHANDLE);
}

class StreamTest : public ManagerTest {
protected:
    void SetUp() override {
        script_.formats = {{WaveFormat::Pcm(1, 8000, 16), "pcm"},
                           {kivo::acm::CodedFormat(WAVE_FORMAT_SC4, 1, 8000, 30, 58), "coded"}};
        id_ = RegisterAcmDriver(kivo::acm::MakeScriptedDriver(script_, log_), AcmPlacement::First);
        ASSERT_EQ(acmDriverOpen(&driver_, id_, 0), MMSYSERR_NOERROR);
        ASSERT_EQ(acmStreamOpen(&stream_, driver_, script_.formats[1].format.record(),
                                script_.formats[0].format.record(), nullptr, 0, 0,
                                ACM_STREAMOPENF_NONREALTIME),
                  MMSYSERR_NOERROR);
        header_.cbStruct = kAcmStreamHeaderSize;
        header_.pbSrc = source_.data();
        header_.cbSrcLength = static_cast<uint32_t>(source_.size());
        header_.pbDst = destination_.data();
        header_.cbDstLength = static_cast<uint32_t>(destination_.size());
    }
    void TearDown() override {
        acmStreamClose(stream_, 0);
        acmDriverClose(driver_, 0);
        ManagerTest::TearDown();
    }

    DriverScript script_;
    std::shared_ptr<kivo::acm::ScriptedLog> log_ = std::make_shared<kivo::acm::ScriptedLog>();
    HACMDRIVERID id_ = nullptr;
    HACMDRIVER driver_ = nullptr;
    HACMSTREAM stream_ = nullptr;
    std::vector<uint8_t> source_ = std::vector<uint8_t>(70, 7);
    std::vector<uint8_t> destination_ = std::vector<uint8_t>(1000);
    ACMSTREAMHEADER header_{};
};

TEST_F(StreamTest, ConvertReportsBytesUsedAndNeedsAPreparedHeader) {
    EXPECT_EQ(acmStreamConvert(stream_, &header_, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(stream_, &header_, 0), MMSYSERR_NOERROR);
    EXPECT_NE(header_.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED, 0u);
    ASSERT_EQ(acmStreamConvert(stream_, &header_, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(header_.cbSrcLengthUsed, 60u);  // two whole 30-byte blocks of 70
    EXPECT_EQ(header_.cbDstLengthUsed, 232u);
    EXPECT_NE(header_.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE, 0u);

    header_.cbSrcLength = 80;  // longer than prepared
    EXPECT_EQ(acmStreamConvert(stream_, &header_, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(acmStreamUnprepareHeader(stream_, &header_, 0), MMSYSERR_INVALPARAM);
    header_.cbSrcLength = 70;
    EXPECT_EQ(acmDriverClose(driver_, 0), ACMERR_BUSY);
    EXPECT_EQ(acmStreamUnprepareHeader(stream_, &header_, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamUnprepareHeader(stream_, &header_, 0), ACMERR_UNPREPARED);
}

TEST_F(StreamTest, HeaderWithWrongSizeFieldIsRefused) {
    header_.cbStruct = sizeof(ACMSTREAMHEADER) == 84 ? 80 : sizeof(ACMSTREAMHEADER);
    EXPECT_EQ(acmStreamPrepareHeader(stream_, &header_, 0), MMSYSERR_INVALPARAM);
}

TEST_F(StreamTest, CodecErrorReachesTheCaller) {
    ASSERT_EQ(acmStreamClose(stream_, 0), MMSYSERR_NOERROR);
    script_.failCall = 1;
    HACMDRIVERID failing =
        RegisterAcmDriver(kivo::acm::MakeScriptedDriver(script_, log_), AcmPlacement::First);
    HACMDRIVER driver = nullptr;
    ASSERT_EQ(acmDriverOpen(&driver, failing, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(acmStreamOpen(&stream_, driver, script_.formats[1].format.record(),
                            script_.formats[0].format.record(), nullptr, 0, 0, 0),
              MMSYSERR_NOERROR);
    ASSERT_EQ(acmStreamPrepareHeader(stream_, &header_, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamConvert(stream_, &header_, 0), MMSYSERR_ERROR);
    EXPECT_EQ(header_.cbSrcLengthUsed, 0u);
    acmStreamClose(stream_, 0);
    stream_ = nullptr;
    acmDriverClose(driver, 0);
}

TEST_F(StreamTest, OpenRefusesFiltersCallbacksAndAsync) {
    HACMSTREAM other = nullptr;
    const auto* from = script_.formats[1].format.record();
    const auto* to = script_.formats[0].format.record();
    int filter = 0;
    EXPECT_EQ(acmStreamOpen(&other, driver_, from, to, &filter, 0, 0, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(acmStreamOpen(&other, driver_, from, to, nullptr, 1, 0, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(acmStreamOpen(&other, driver_, from, to, nullptr, 0, 0, ACM_STREAMOPENF_ASYNC),
              MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(acmStreamOpen(nullptr, driver_, from, to, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(log_->streamsAlive, 1);
}

}  // namespace
