#include "explorer/SC4Tools.h"

#include "platform/win/application.h"
#include "platform/win/testing/scripted_msgbox.h"
#include "testing/other_user.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using namespace kivo::explorer;

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

Bytes Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

uint32_t U32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

uint16_t U16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1])
                                                                   << 8);
}

// A recording: `lead` other bytes, the sync pattern, then blocks of data.
Bytes Recording(const char* pattern, size_t lead, size_t tail) {
    Bytes b(lead, '\x55');
    b.append(pattern, 3);
    for (size_t i = 0; i < tail; ++i)
        b.push_back(static_cast<char>(i * 7));
    return b;
}

struct Expected {
    const char* pattern;
    uint16_t channels;
    uint32_t rate;
    uint32_t average;
    uint16_t samplesPerBlock;
};

// The formats written out here by value, not taken from the code under test.
const std::vector<Expected> kPatterns = {
    {"\x01\x1B\x1E", 2, 8000, 8275, 29},   {"\x01\x1B\x1D", 1, 8000, 4137, 58},
    {"\x01\x1B\x1B", 2, 11025, 11405, 29}, {"\x01\x1B\x1A", 1, 11025, 5702, 58},
    {"\x02\xB2\x2B", 2, 16000, 16551, 29}, {"\x02\xB2\x2C", 1, 16000, 8275, 58},
    {"\x02\xB2\x2E", 1, 32000, 16551, 58},
};

void ExpectWave(const Bytes& wave, const Expected& f, const Bytes& data) {
    ASSERT_EQ(wave.size(), 48 + data.size());
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(wave, 4), data.size() + 40);
    EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(wave, 16), 20u);
    EXPECT_EQ(U16(wave, 20), 0x0350);
    EXPECT_EQ(U16(wave, 22), f.channels);
    EXPECT_EQ(U32(wave, 24), f.rate);
    EXPECT_EQ(U32(wave, 28), f.average);
    EXPECT_EQ(U16(wave, 32), 30);
    EXPECT_EQ(U16(wave, 34), 0);
    EXPECT_EQ(U16(wave, 36), 2);
    EXPECT_EQ(U16(wave, 38), f.samplesPerBlock);
    EXPECT_EQ(wave.substr(40, 4), "data");
    EXPECT_EQ(U32(wave, 44), data.size());
    EXPECT_EQ(wave.substr(48), data);
}

class SC4Wrapper : public ::testing::Test {
protected:
    void SetUp() override { SetApplicationTitle("kivo Explorer - Q Series"); }
    fs::path At(const std::string& name) const { return dir_.path() / name; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir_;
    ScriptedMessageBoxes boxes_;
};

}  // namespace

TEST(FindSC4SyncBlock, FindsTheEarliestPatternOfAnyKind) {
    struct Case {
        Bytes bytes;
        int64_t offset;
        int pattern;
    };
    Bytes straddling(65535, '\0');  // a pattern across the search's reading pieces
    straddling += "\x02\xB2\x2C";
    const std::vector<Case> cases = {
        {Bytes("\x01\x1B\x1D"
               "abc",
               6),
         0, 1},
        {Bytes("\x01\x01\x1B\x1E", 4), 1, 0},
        {Bytes("xx\x02\xB2\x2E"
               "yy\x01\x1B\x1E",
               10),
         2, 6},  // earliest, not first in the table
        {straddling, 65535, 5},
        {Bytes("\x01\x1B", 2), -1, -9},
        {Bytes("abc\x01\x1B", 5), -1, -9},  // cut at the end
        {Bytes("\x01\x1B\x1C\x02\xB2\x2D", 6), -1, -9},
        {Bytes(), -1, -9},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.bytes);
        int pattern = -9;
        EXPECT_EQ(FindSC4SyncBlock(in, pattern), c.offset) << c.bytes.size();
        EXPECT_EQ(pattern, c.pattern);
    }
}

// The search reads 64 KB at a time and keeps the last two bytes of a piece in front of the
// next: a pattern that begins one or two bytes before the end of the first or of a later piece
// straddles a read, one that begins three bytes before or at the piece's end does not.
TEST(FindSC4SyncBlock, FindsAPatternAcrossEachReadBoundary) {
    constexpr int64_t kPiece = 65536;
    struct Case {
        int64_t offset;
        size_t pattern;
        size_t tail;
        bool decoy;  // a pattern's first two bytes lie just before the boundary
    };
    const Case cases[] = {
        {kPiece - 3, 0, 10, false},    {kPiece - 2, 1, 0, false},     {kPiece - 1, 2, 5, false},
        {kPiece, 3, 0, false},         {2 * kPiece - 3, 4, 1, false}, {2 * kPiece - 2, 5, 0, false},
        {2 * kPiece - 1, 6, 7, false}, {2 * kPiece, 0, 0, false},     {kPiece + 5, 1, 3, true},
        {2 * kPiece + 5, 4, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << " pattern " << c.pattern);
        Bytes bytes(static_cast<size_t>(c.offset), '\x55');
        if (c.decoy) {
            const int64_t boundary = c.offset / kPiece * kPiece;
            bytes.replace(static_cast<size_t>(boundary - 2), 2, kPatterns[c.pattern].pattern, 2);
        }
        bytes.append(kPatterns[c.pattern].pattern, 3);
        bytes.append(c.tail, '\x33');
        std::istringstream in(bytes);
        int pattern = -9;
        EXPECT_EQ(FindSC4SyncBlock(in, pattern), c.offset);
        EXPECT_EQ(pattern, static_cast<int>(c.pattern));
    }
}

TEST_F(SC4Wrapper, EachPatternGivesItsFormatAndTheWholeRecording) {
    for (size_t p = 0; p < kPatterns.size(); ++p) {
        SCOPED_TRACE(p);
        Bytes rec = Recording(kPatterns[p].pattern, 0, 30 * 4 + 7);  // not whole blocks
        Spit(At("VOICE00" + std::to_string(p) + ".SC4"), rec);
        ASSERT_EQ(ConvertSC4ToWav(At("VOICE00" + std::to_string(p) + ".SC4").string(), ""), 0);
        ExpectWave(Slurp(At("VOICE00" + std::to_string(p) + ".WAV")), kPatterns[p], rec);
    }
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(SC4Wrapper, BytesBeforeTheSyncBlockAreLeftOut) {
    Bytes rec = Recording("\x02\xB2\x2E", 100, 300);
    Spit(At("rec.sc4"), rec);
    ASSERT_EQ(ConvertSC4ToWav(At("rec.sc4").string(), ""), 0);
    Bytes wave = Slurp(At("rec.WAV"));
    ExpectWave(wave, kPatterns[6], rec.substr(100));
    EXPECT_EQ(U32(wave, 44), rec.size() - 100);
}

TEST_F(SC4Wrapper, NoSyncBlockShowsTheMessageAndWritesNothing) {
    for (Bytes rec : {Bytes("\x01\x1B", 2), Bytes(), Bytes(500, '\x01'),
                      Bytes(200, 'a') + Bytes("\x01\x1B", 2)}) {
        Spit(At("rec.SC4"), rec);
        EXPECT_EQ(ConvertSC4ToWav(At("rec.SC4").string(), ""), -1);
        EXPECT_EQ(Files(), std::vector<std::string>{"rec.SC4"});
        EXPECT_EQ(Slurp(At("rec.SC4")), rec);
    }
    ASSERT_EQ(boxes_.shown().size(), 4u);
    EXPECT_EQ(boxes_.shown()[0].text, "End of file while searching for synchro-block");
    EXPECT_EQ(boxes_.shown()[0].caption, "kivo Explorer - Q Series");
    EXPECT_EQ(boxes_.shown()[0].flags, 0u);
}

TEST_F(SC4Wrapper, AFileOfTheDestinationNameStaysWhenThereIsNoSyncBlock) {
    Spit(At("rec.SC4"), "nothing here");
    Spit(At("rec.WAV"), "an older wave");
    EXPECT_EQ(ConvertSC4ToWav(At("rec.SC4").string(), ""), -1);
    EXPECT_EQ(Slurp(At("rec.WAV")), "an older wave");
}

TEST_F(SC4Wrapper, AnExistingDestinationIsReplacedWhole) {
    Bytes rec = Recording("\x01\x1B\x1A", 3, 60);
    Spit(At("rec.SC4"), rec);
    Spit(At("rec.WAV"), Bytes(10000, 'o'));
    ASSERT_EQ(ConvertSC4ToWav(At("rec.SC4").string(), ""), 0);
    ExpectWave(Slurp(At("rec.WAV")), kPatterns[3], rec.substr(3));
    EXPECT_EQ(Files(), (std::vector<std::string>{"rec.SC4", "rec.WAV"}));
}

// Opening the wave for writing would fail, so replacing it fails too and keeps it.
TEST_F(SC4Wrapper, AWaveThisUserMayNotWriteIsKept) {
    kivo::test::OpenToEveryone(dir_.path());
    Spit(At("rec.SC4"), Recording("\x01\x1B\x1A", 0, 30));
    Spit(At("rec.WAV"), "their wave");
    fs::permissions(At("rec.WAV"), fs::perms(0444));
    const std::string outcome = kivo::test::AsAnotherUser(
        [&] { return std::to_string(ConvertSC4ToWav(At("rec.SC4").string(), "")); });
    EXPECT_EQ(outcome, "-1");
    EXPECT_EQ(Slurp(At("rec.WAV")), "their wave");
    EXPECT_EQ(Files(), (std::vector<std::string>{"rec.SC4", "rec.WAV"}));
}

TEST_F(SC4Wrapper, AReplacedWaveKeepsItsPermissionsAndMayHaveALongName) {
    Bytes rec = Recording("\x01\x1B\x1A", 0, 30);
    Spit(At("rec.SC4"), rec);
    Spit(At("rec.WAV"), "old");
    fs::permissions(At("rec.WAV"), fs::perms(0640));
    ASSERT_EQ(ConvertSC4ToWav(At("rec.SC4").string(), ""), 0);
    EXPECT_EQ(fs::status(At("rec.WAV")).permissions(), fs::perms(0640));
    const std::string longName = std::string(251, 'w') + ".WAV";
    ASSERT_EQ(ConvertSC4ToWav(At("rec.SC4").string(), At(longName).string()), 0);
    ExpectWave(Slurp(At(longName)), kPatterns[3], rec);
    EXPECT_EQ(Files(), (std::vector<std::string>{"rec.SC4", "rec.WAV", longName}));
}

TEST_F(SC4Wrapper, AGivenDestinationIsUsedAsItStands) {
    Bytes rec = Recording("\x01\x1B\x1E", 0, 30);
    Spit(At("rec.SC4"), rec);
    ASSERT_EQ(ConvertSC4ToWav(At("rec.SC4").string(), At("copy.bin").string()), 0);
    ExpectWave(Slurp(At("copy.bin")), kPatterns[0], rec);
    EXPECT_FALSE(fs::exists(At("rec.WAV")));
}

TEST_F(SC4Wrapper, FailuresGiveMinusOneLeaveNoFileAndNeverTouchTheSource) {
    Bytes rec = Recording("\x01\x1B\x1D", 0, 90);
    Spit(At("rec.SC4"), rec);
    fs::create_directories(At("folder.WAV"));
    struct Case {
        std::string source, destination;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {At("missing.SC4").string(), ""},
        {At("folder.WAV").string(), At("x.WAV").string()},              // the source is a folder
        {At("rec.SC4").string(), At("no/such/folder/x.WAV").string()},  // cannot be created
        {At("rec.SC4").string(), At("folder.WAV").string()},            // a folder is in the way
        {At("rec.SC4").string(), At("rec.SC4").string()},               // the source itself
        {At("rec.SC4").string(), At("./rec.SC4").string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.destination);
        EXPECT_EQ(ConvertSC4ToWav(c.source, c.destination), -1);
        EXPECT_EQ(Files(), (std::vector<std::string>{"folder.WAV", "rec.SC4"}));
        EXPECT_TRUE(fs::is_empty(At("folder.WAV")));
        EXPECT_EQ(Slurp(At("rec.SC4")), rec);
    }
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(SC4Wrapper, ARecordingNamedLikeItsWaveIsNotWrittenOver) {
    Bytes rec = Recording("\x01\x1B\x1D", 0, 30);
    Spit(At("rec.wav"), rec);
    Spit(At("REC.WAV.sc4"), rec);
    EXPECT_EQ(ConvertSC4ToWav(At("rec.wav").string(), At("rec.wav").string()), -1);
    EXPECT_EQ(Slurp(At("rec.wav")), rec);
    // "REC.WAV.sc4" -> "REC.WAV.WAV": a different file.
    EXPECT_EQ(ConvertSC4ToWav(At("REC.WAV.sc4").string(), ""), 0);
    EXPECT_TRUE(fs::exists(At("REC.WAV.WAV")));
}

TEST(SC4WavePathFor, ReplacesTheExtensionOfTheFileName) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/rec/VOICE001.SC4", "/rec/VOICE001.WAV"},
        {"/rec/voice.sc4", "/rec/voice.WAV"},
        {"/rec/VOICE001", "/rec/VOICE001.WAV"},
        {"/rec.d/VOICE001", "/rec.d/VOICE001.WAV"},
        {"/rec/a.b.SC4", "/rec/a.b.WAV"},
        {"VOICE.SC4", "VOICE.WAV"},
        {"/rec/name.", "/rec/name.WAV"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SC4WavePathFor(in), out);
}
