#include "converter/convert_file.h"
#include "test_support.h"
#include "testing/other_user.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kivo::converter {
namespace {

using namespace testing_support;

class EntryTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        WriteFile("in.wav", Sc4File(1, Sc4Data(1200)));  // three portions
        calls_.clear();
        cancelAt_ = {0, 0};
    }

    static int32_t Record(int32_t pass, int32_t percent, uint32_t user) {
        EXPECT_EQ(user, 5u);
        calls_.emplace_back(pass, percent);
        return calls_.back() == cancelAt_ ? 1 : 0;
    }

    int32_t Run(const std::string& source, const std::string& destination) {
        return ConvertVoiceFile(source.c_str(), destination.c_str(), Record, 5);
    }

    static inline std::vector<std::pair<int, int>> calls_;
    static inline std::pair<int, int> cancelAt_;
};

TEST_F(EntryTest, ConvertsTheRecordingInTwoPasses) {
    RegisterBoth();
    ASSERT_EQ(Run(Path("in.wav"), Path("out.wav")), kConvertDone);
    EXPECT_EQ(calls_.size(), 6u);
    EXPECT_EQ(calls_[2], (std::pair<int, int>{1, 100}));
    EXPECT_EQ(calls_[3].first, 2);
    EXPECT_EQ(calls_[5], (std::pair<int, int>{2, 100}));
    EXPECT_TRUE(boxes_.empty());

    CWave result(0);
    ASSERT_EQ(result.Load(Path("out.wav").c_str()), 1);
    EXPECT_EQ(WaveFormat::FromRecord(result.FormatRecord()), TrueSpeechFormat());
    // 1200 blocks of 58 samples decode to 139200 bytes: 290 frames of 480.
    const std::string file = ReadFile("out.wav");
    EXPECT_EQ(file.size(), 12u + 8 + 50 + 12 + 8 + 32 * 290);
    EXPECT_EQ(file.substr(70, 12), "fact" + Le32(4) + Le32(1200 * 58));
}

TEST_F(EntryTest, SourceMayBeTheDestination) {
    RegisterBoth();
    ASSERT_EQ(Run(Path("in.wav"), Path("in.wav")), kConvertDone);
    CWave result(0);
    ASSERT_EQ(result.Load(Path("in.wav").c_str()), 1);
    EXPECT_EQ(result.FormatHeader().wFormatTag, WAVE_FORMAT_TRUESPEECH);
}

TEST_F(EntryTest, UnreadSourceGivesMinusOne) {
    RegisterBoth();
    WriteFile("bad.wav", "not a wave");
    EXPECT_EQ(ConvertVoiceFile(nullptr, Path("o.wav").c_str(), Record, 5), kConvertNotRead);
    EXPECT_EQ(Run("", Path("o.wav")), kConvertNotRead);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(Run(Path("missing.wav"), Path("o.wav")), kConvertNotRead);
    EXPECT_EQ(Run(Path("bad.wav"), Path("o.wav")), kConvertNotRead);
    // A FIFO is refused before its open could wait for a writer.
    ASSERT_EQ(::mkfifo(Path("pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(Run(Path("pipe.wav"), Path("o.wav")), kConvertNotRead);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Failed to open file", "Failed to load file",
                                                    "Failed to open file"}));
    EXPECT_FALSE(Exists("o.wav"));
}

TEST_F(EntryTest, FailedOrCancelledPassGivesMinusTwoAndNoFile) {
    struct Case {
        const char* name;
        bool sc4;
        int tsFailCall;
        std::pair<int, int> cancelAt;
    };
    for (const Case& c :
         {Case{"no SC4 driver", false, 0, {0, 0}}, Case{"codec error in pass 2", true, 2, {0, 0}},
          Case{"cancel in pass 1", true, 0, {1, 45}},
          Case{"cancel in pass 2", true, 0, {2, 100}}}) {
        SCOPED_TRACE(c.name);
        ResetAcmDrivers();
        auto ts = TrueSpeechScript();
        ts.failCall = c.tsFailCall;
        Register(ts, std::make_shared<acm::ScriptedLog>());  // call counts start afresh
        if (c.sc4)
            Register(Sc4Script(), std::make_shared<acm::ScriptedLog>());
        cancelAt_ = c.cancelAt;
        EXPECT_EQ(Run(Path("in.wav"), Path("out.wav")), kConvertFailed);
        EXPECT_FALSE(Exists("out.wav"));
    }
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(EntryTest, UnwrittenDestinationGivesMinusThree) {
    RegisterBoth();
    EXPECT_EQ(Run(Path("in.wav"), ""), kConvertNotWritten);
    EXPECT_EQ(calls_.back(), (std::pair<int, int>{2, 100}));  // both passes ran
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(Run(Path("in.wav"), Path("none/out.wav")), kConvertNotWritten);
    {
        FileSizeLimit limit(4096);
        EXPECT_EQ(Run(Path("in.wav"), Path("out.wav")), kConvertNotWritten);
    }
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"Failed to create file", "Failed to save file"}));
    EXPECT_EQ(Listing(), std::vector<std::string>{"in.wav"});
}

// Opening the file for writing would fail, so replacing it must fail the same way, and the
// file stays as it was.
TEST_F(EntryTest, DestinationThisUserMayNotWriteGivesMinusThree) {
    RegisterBoth();
    kivo::test::OpenToEveryone(dir_);
    WriteFile("theirs.wav", "their recording");
    std::filesystem::permissions(Path("theirs.wav"), std::filesystem::perms(0444));
    const std::string outcome = kivo::test::AsAnotherUser([&] {
        std::string text = std::to_string(Run(Path("in.wav"), Path("theirs.wav")));
        for (const std::string& box : BoxTexts())
            text += ", " + box;
        return text;
    });
    EXPECT_EQ(outcome, std::to_string(kConvertNotWritten) + ", Failed to create file");
    EXPECT_EQ(ReadFile("theirs.wav"), "their recording");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"in.wav", "theirs.wav"}));
}

TEST_F(EntryTest, ReplacedDestinationKeepsItsPermissionsAndMayHaveALongName) {
    RegisterBoth();
    WriteFile("shared.wav", "old");
    std::filesystem::permissions(Path("shared.wav"), std::filesystem::perms(0640));
    ASSERT_EQ(Run(Path("in.wav"), Path("shared.wav")), kConvertDone);
    EXPECT_EQ(std::filesystem::status(Path("shared.wav")).permissions(),
              std::filesystem::perms(0640));
    const std::string longName = std::string(251, 'w') + ".wav";
    ASSERT_EQ(Run(Path("in.wav"), Path(longName)), kConvertDone);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"in.wav", "shared.wav", longName}));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(EntryTest, WithoutTrueSpeechThePcmIsCodedBackToSc4) {
    Register(Sc4Script(), sc4Log_);
    ASSERT_EQ(Run(Path("in.wav"), Path("out.wav")), kConvertDone);
    CWave result(0);
    ASSERT_EQ(result.Load(Path("out.wav").c_str()), 1);
    EXPECT_EQ(WaveFormat::FromRecord(result.FormatRecord()), Sc4Format(1));
    EXPECT_EQ(result.GetSampleCount(), 1200 * 58);
}

TEST_F(EntryTest, NullCallbackRunsWithoutProgress) {
    RegisterBoth();
    EXPECT_EQ(ConvertVoiceFile(Path("in.wav").c_str(), Path("out.wav").c_str(), nullptr, 0),
              kConvertDone);
    EXPECT_TRUE(Exists("out.wav"));
}

TEST_F(EntryTest, LibraryExportsTheEntryByName) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string library = (std::filesystem::path(self).parent_path() / "libsonoform.so");
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    using Entry = int32_t (*)(const char*, const char*, ConvertProgressCallback, uint32_t);
    auto entry = reinterpret_cast<Entry>(dlsym(handle, "PELK_sonoform"));
    ASSERT_NE(entry, nullptr);
    RegisterBoth();
    EXPECT_EQ(entry("", Path("out.wav").c_str(), nullptr, 0), kConvertNotRead);
    EXPECT_EQ(entry(Path("in.wav").c_str(), Path("out.wav").c_str(), Record, 5), kConvertDone);
    EXPECT_EQ(calls_.back(), (std::pair<int, int>{2, 100}));
    EXPECT_TRUE(Exists("out.wav"));
    EXPECT_EQ(entry(Path("missing.wav").c_str(), Path("o.wav").c_str(), nullptr, 0),
              kConvertNotRead);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "sonoform");
    dlclose(handle);
}

}  // namespace
}  // namespace kivo::converter
