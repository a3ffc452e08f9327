// The simulated player through both drivers, the way the link libraries talk to it.

#include "drivers/tests/client.h"
#include "platform/win/clock.h"
#include "playersim/card_image.h"
#include "playersim/card_table.h"
#include "playersim/device.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <numeric>

namespace kivo::playersim::testing {

using namespace px::testing;
namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 1) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + seed + i / 251);
    }
    return data;
}

class PlayerTest : public ::testing::TestWithParam<Which> {
protected:
    void SetUp() override {
        setenv("KIVO_PLAYER", "mem", 1);
        api().TestReset();
    }
    const DriverApi& api() const { return Driver(GetParam()); }
    bool Usb() const { return GetParam() == Which::kPxapi; }

    uint8_t Upload(uint8_t memory, const std::string& name, std::span<const uint8_t> data) {
        uint8_t index = 0;
        EXPECT_EQ(client.Upload(memory, 1, name, data, index), 0u);
        return index;
    }

    ScopedVirtualClock clock;
    Client client{api()};
};

INSTANTIATE_TEST_SUITE_P(playersim, PlayerTest, ::testing::Values(Which::kPxdll, Which::kPxapi),
                         [](const auto& info) {
                             return info.param == Which::kPxdll ? "pxdll" : "pxapi";
                         });

TEST_P(PlayerTest, FilesRoundTripByteForByte) {
    for (const size_t size : {1u, 16368u, 16369u, 33256u, 33257u}) {
        const std::vector<uint8_t> data = Pattern(size, static_cast<uint8_t>(size));
        const uint8_t index = Upload(0, "song.mp3", data);
        ASSERT_NE(index, 0) << size;
        const Download d = client.Get(index);
        ASSERT_EQ(d.status, 0u) << size;
        EXPECT_EQ(d.size, size);
        EXPECT_EQ(d.data, data) << size;
        EXPECT_FALSE(d.refused);
    }
}

TEST_P(PlayerTest, EchoedValidCodesGoOnWithoutViolations) {
    api().Control("valid-code 7");
    const std::vector<uint8_t> data = Pattern(60000);
    const uint8_t index = Upload(0, "song.mp3", data);
    const Download d = client.Get(index);
    EXPECT_EQ(d.status, 0u);
    EXPECT_EQ(d.data, data);
    EXPECT_EQ(api().Control("violations"), "0\n");
}

// What an upload does wrong, if anything.
struct UploadMistake {
    bool waitAfterMemoryType = true;
    bool waitAfterBlock = true;
    uint8_t code = 0;
    uint8_t padding = 0;
};

// Two blocks of a 20000-byte file; the status of reading the new index.
Status SendUpload(Client& client, uint8_t command, const UploadMistake& m) {
    const uint8_t header[] = {0, 1, 0x20, 0x4E, 0, 0, 2, 0};  // memory, type, size, blocks
    std::vector<uint8_t> name(kNameBytes, 0);
    name[0] = 'x';
    std::vector<Status> steps;
    steps.push_back(client.Open(command, 60000));
    steps.push_back(client.Write(std::span(header).first(1)));
    if (m.waitAfterMemoryType) {
        Sleep(500);
    }
    steps.push_back(client.Write(std::span(header).subspan(1)));
    steps.push_back(client.Write(name));
    for (uint32_t b = 0; b < 2; ++b) {
        std::vector<uint8_t> block(BlockBytes(b), 0x5A);
        if (b == 1) {
            std::fill(block.begin() + (20000 - kFirstBlockBytes), block.end(), m.padding);
        }
        steps.push_back(client.Write(block));
        if (m.waitAfterBlock) {
            Sleep(10);
        }
        const uint8_t code = b == 0 ? m.code : 0;
        steps.push_back(client.Write({&code, 1}));
    }
    uint8_t index = 0;
    const Status read = client.Read({&index, 1});
    client.Close();
    for (const Status s : steps) {
        EXPECT_EQ(s, 0u) << "the player takes the PC's bytes all the same";
    }
    return read;
}

// A player that was not ready for what the PC did answers nothing more on that channel, so
// the PC's next read times out; each such exchange counts once.
TEST_P(PlayerTest, MistakesOfThePcGetNoAnswer) {
    const uint8_t stored = Upload(0, "song.mp3", Pattern(40000));
    struct Case {
        const char* what;
        bool usb, parallel;
        std::function<Status()> exchange;
    };
    const Case cases[] = {
        {"no wait after the memory type", true, true,
         [&] { return SendUpload(client, kUpload, {.waitAfterMemoryType = false}); }},
        {"a code that is neither go on nor stop", true, true,
         [&] { return SendUpload(client, kUpload, {.code = 2}); }},
        {"padding that is not zero", true, true,
         [&] { return SendUpload(client, kUpload, {.padding = 0xAA}); }},
        {"no breath after an upload block", true, false,
         [&] { return SendUpload(client, kUpload, {.waitAfterBlock = false}); }},
        {"a system file without its delete", true, true,
         [&] { return SendUpload(client, kWriteConfig, {}); }},
        {"a download code that is not the last valid code", true, true,
         [&] {
             std::vector<uint8_t> block(4 + kFirstBlockBytes);
             client.Open(kDownload, 40000);
             client.Write(std::vector<uint8_t>{stored});
             if (Usb()) {
                 client.Read(block);
             } else {
                 client.Read(std::span(block).first(4));
                 client.Read(std::span(block).subspan(4));
             }
             client.Write(std::vector<uint8_t>{0x40});  // the size's low byte
             const Status s = client.Read(std::span(block).first(1));
             client.Close();
             return s;
         }},
        {"a delete acknowledgement read at once", true, false,
         [&] {
             uint8_t ack = 0;
             client.Open(kDelete, 40000);
             client.Write(std::vector<uint8_t>{99});
             const Status s = client.Read({&ack, 1});
             client.Close();
             return s;
         }},
        {"an initialise acknowledgement read at once", true, false,
         [&] {
             uint8_t ack = 0;
             client.Open(kInitialize, 60000);
             client.Write(std::vector<uint8_t>{1});
             const Status s = client.Read({&ack, 1});
             client.Close();
             return s;
         }},
        {"the version asked for without a pause", false, true,
         [&] {
             uint8_t answer = 0;
             client.Status10(answer);
             std::vector<uint8_t> reply(kVersionReplyBytes);
             client.Open(kVersion, 3000);
             const Status s = client.Read(reply);
             client.Close();
             return s;
         }},
        {"whole packets read without the continuation flag", true, false,
         [&] {
             std::vector<uint8_t> reply(kVersionReplyBytes);
             client.Open(kVersion, 3000);
             const Status s = client.ReadFlagged(reply, 0);
             client.Close();
             return s;
         }},
    };
    for (const Case& c : cases) {
        if (!(Usb() ? c.usb : c.parallel)) {
            continue;
        }
        api().Control("clear-violations");
        EXPECT_EQ(c.exchange(), kPxErrorTimeout) << c.what;
        const std::string violations = api().Control("violations");
        EXPECT_EQ(violations.substr(0, 2), "1\n") << c.what << ": " << violations;
    }
    EXPECT_EQ(api().Control("files"), "6 flash 1 40000 song.mp3\n") << "nothing was stored";
}

TEST_P(PlayerTest, RepliesLeftUnreadAreCounted) {
    uint16_t counts[4] = {};
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(api().Control("violations"), "0\n");
    ASSERT_EQ(client.Open(kMemoryFigures, 3000), 0u);
    uint8_t two[2];
    ASSERT_EQ(Usb() ? client.ReadFlagged(two, 0) : client.Read(two), 0u);
    client.Close();
    EXPECT_EQ(api().Control("violations"), "1\n6 reply bytes left unread\n");
}

TEST_P(PlayerTest, EmptyFileIsStoredAndDownloadsAsSizeZero) {
    const uint8_t index = Upload(1, "empty.wav", {});
    ASSERT_EQ(index, 131);
    std::vector<ListedFile> files;
    ASSERT_EQ(client.List(files), 0u);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].size, 0u);
    EXPECT_EQ(files[0].name, "empty.wav");
    const Download d = client.Get(index);
    EXPECT_EQ(d.status, 0u);
    EXPECT_EQ(d.size, 0u);
    EXPECT_EQ(client.Get(77).size, 0u) << "unknown index";
}

TEST_P(PlayerTest, IndexesAreTheLowestFreeOfEachMemory) {
    const std::vector<uint8_t> one{7};
    EXPECT_EQ(Upload(0, "a", one), 6);
    EXPECT_EQ(Upload(0, "b", one), 7);
    EXPECT_EQ(Upload(1, "c", one), 131);
    uint8_t ack = 1;
    ASSERT_EQ(client.Simple(5, 6, ack), 0u);
    EXPECT_EQ(Upload(0, "d", one), 6);
    EXPECT_EQ(Upload(1, "e", one), 132);
}

TEST_P(PlayerTest, FullMemoryOrNoFreeIndexAnswersZero) {
    const std::vector<uint8_t> one{7};
    for (int i = 6; i <= 130; ++i) {
        ASSERT_EQ(Upload(0, "f", one), i);
    }
    EXPECT_EQ(Upload(0, "no-index", one), 0);

    api().Control("reset");
    api().Control("flash 2");
    EXPECT_EQ(Upload(0, "big", Pattern(kUnitBytes + 1)), 6);
    EXPECT_EQ(Upload(0, "no-room", one), 0);
    EXPECT_EQ(api().Control("files"), "6 flash 1 16897 big\n");
}

TEST_P(PlayerTest, StoppedUploadStoresNothing) {
    uint8_t index = 9;
    ASSERT_EQ(client.Upload(0, 1, "stop.mp3", Pattern(40000), index, 0), 0u);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(api().Control("files"), "");
    EXPECT_NE(api().Control("transcript").find("> upload.cancel 1 = 1"), std::string::npos);
}

TEST_P(PlayerTest, FiguresFollowUploadsAndDeletes) {
    uint16_t counts[4] = {};
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[0], 3971);
    EXPECT_EQ(counts[1], 3971);
    EXPECT_EQ(counts[2], 1985);
    EXPECT_EQ(counts[3], 1985);

    const uint8_t flash = Upload(0, "two-units", Pattern(kUnitBytes + 1));
    Upload(1, "one-unit", {});
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[1], 3969);
    EXPECT_EQ(counts[3], 1984);

    uint8_t ack = 1;
    ASSERT_EQ(client.Simple(5, flash, ack), 0u);
    EXPECT_EQ(ack, 0);
    ASSERT_EQ(client.Simple(5, 200, ack), 0u) << "an unknown index is acknowledged too";
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[1], 3971);

    api().Control("card none");
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[2], 0);
    EXPECT_EQ(counts[3], 0);
}

TEST_P(PlayerTest, InitialiseClearsOneMemory) {
    uint8_t index = 0;
    ASSERT_EQ(client.Upload(0, 0, "config.dat", Pattern(260), index, std::nullopt, 11), 0u);
    EXPECT_EQ(index, 2);
    Upload(0, "flash.mp3", Pattern(10));
    Upload(1, "card.mp3", Pattern(10));
    uint8_t ack = 1;
    ASSERT_EQ(client.Simple(6, 1, ack), 0u);
    EXPECT_EQ(api().Control("files"), "2 flash 0 260 config.dat\n6 flash 1 10 flash.mp3\n");
    ASSERT_EQ(client.Simple(6, 0, ack), 0u);
    EXPECT_EQ(api().Control("files"), "");
}

TEST_P(PlayerTest, VersionCarriesTheDigitsAndTheConfiguration) {
    std::vector<uint8_t> reply;
    ASSERT_EQ(client.Version(reply), 0u);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 1, 3, 0}));
    EXPECT_EQ(std::accumulate(reply.begin() + 8, reply.end(), 0), 0);

    const std::vector<uint8_t> config = Pattern(260);
    uint8_t index = 0;
    ASSERT_EQ(client.Upload(0, 0, "config.dat", config, index, std::nullopt, 11), 0u);
    api().Control("version 0 2 0 1");
    ASSERT_EQ(client.Version(reply), 0u);
    EXPECT_EQ(reply[5], 2);
    EXPECT_EQ(reply[7], 1);
    EXPECT_TRUE(std::equal(reply.begin() + 8, reply.end(), config.begin()));
}

TEST_P(PlayerTest, FileListHoldsEveryFileWithItsBitRate) {
    // An MPEG-1 Layer III frame header with bit-rate index 9.
    std::vector<uint8_t> mp3{0xFF, 0xFB, 0x90, 0x44, 0, 0};
    uint8_t index = 0;
    ASSERT_EQ(client.Upload(0, 0, "serial.dat", Pattern(8), index, std::nullopt, 14), 0u);
    EXPECT_EQ(index, 1);
    Upload(1, "x.mp3", mp3);
    std::vector<ListedFile> files;
    ASSERT_EQ(client.List(files), 0u);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].index, 1);
    EXPECT_EQ(files[0].name, "serial.dat");
    EXPECT_EQ(files[1].index, 131);
    EXPECT_EQ(files[1].bitRate, 9);
}

TEST_P(PlayerTest, NameWithoutTerminatorKeepsAll515Bytes) {
    const std::string name(600, 'n');
    Upload(0, name, Pattern(3));
    std::vector<ListedFile> files;
    ASSERT_EQ(client.List(files), 0u);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, std::string(515, 'n'));
}

TEST_P(PlayerTest, UploadWhoseBlockCountDoesNotMatchIsRefused) {
    for (const uint16_t blocks : {uint16_t{0}, uint16_t{1}, uint16_t{3}}) {
        uint8_t index = 9;
        ASSERT_EQ(client.Upload(0, 1, "odd", Pattern(20000), index, std::nullopt, 1, blocks), 0u);
        EXPECT_EQ(index, 0) << blocks;
    }
    EXPECT_EQ(api().Control("files"), "");
}

TEST_P(PlayerTest, UnknownCommandIsNotAnswered) {
    ASSERT_EQ(client.Open(99, 3000), 0u);
    uint8_t byte = 0;
    EXPECT_EQ(client.Read({&byte, 1}), kPxErrorTimeout);
    client.Close();
    EXPECT_NE(api().Control("transcript").find("unknown command 99"), std::string::npos);
    uint8_t answer = 1;
    EXPECT_EQ(client.Status10(answer), 0u) << "the player goes on";
}

TEST_P(PlayerTest, CodePageCommandsAreRecordedWithoutReply) {
    ASSERT_EQ(client.Open(26, 3000), 0u);
    client.Close();
    EXPECT_NE(api().Control("state").find("codepage 26"), std::string::npos);
}

TEST_P(PlayerTest, StatusIsAnsweredWithinItsTimeout) {
    uint8_t answer = 1;
    const uint64_t before = (*clock).Ticks();
    ASSERT_EQ(client.Status10(answer), 0u);
    EXPECT_EQ(answer, 0);
    EXPECT_EQ((*clock).Ticks() - before, Usb() ? kUsbStatusDelayMs : 0u);
}

TEST_P(PlayerTest, NoAnswerTimesOutAfterTheTimeout) {
    api().Control("fault no-answer");
    uint8_t answer = 0;
    const uint64_t before = (*clock).Ticks();
    EXPECT_EQ(client.Status10(answer), kPxErrorTimeout);
    EXPECT_EQ((*clock).Ticks() - before, Usb() ? 1000u : 100u);
}

// Each fault as the driver reports it, per dialect.
enum class Op { kFigures, kUpload, kDownload, kVersion, kStatus };

struct FaultCase {
    const char* fault;
    Op op;
    uint32_t parallel;
    uint32_t usb;
};

TEST_P(PlayerTest, InjectedFaultsReachTheDriver) {
    const FaultCase cases[] = {
        {"fault short-read config", Op::kVersion, 20, 20},
        {"fault short-read download.size", Op::kDownload, 20, 20},
        {"fault short-read figures.card-total", Op::kFigures, 20, 0},
        {"fault short-write upload.name", Op::kUpload, 19, 19},
        {"fault short-write command", Op::kStatus, 19, 19},
        {"fault stall download.size 50000", Op::kDownload, kPxErrorTimeout, kPxErrorTimeout},
        {"fault stall status 150", Op::kStatus, kPxErrorTimeout, 0},
        {"fault stall status 50", Op::kStatus, 0, 0},
        {"fault drop 30", Op::kUpload, kPxErrorConnectionLost, kPxErrorConnectionLost},
        {"fault drop 0", Op::kStatus, kPxErrorConnectionLost, kPxErrorConnectionLost},
    };
    const uint8_t stored = Upload(0, "f.mp3", Pattern(100));
    for (const FaultCase& c : cases) {
        api().Control(c.fault);
        uint16_t counts[4];
        uint8_t byte = 0;
        std::vector<uint8_t> reply;
        Status status = 0;
        switch (c.op) {
            case Op::kFigures:
                status = client.Figures(counts);
                break;
            case Op::kUpload:
                status = client.Upload(0, 1, "g.mp3", Pattern(10), byte);
                break;
            case Op::kDownload:
                status = client.Get(stored).status;
                break;
            case Op::kVersion:
                status = client.Version(reply);
                break;
            case Op::kStatus:
                status = client.Status10(byte);
                break;
        }
        api().Control("fault none");
        EXPECT_EQ(status, Usb() ? c.usb : c.parallel) << c.fault;
    }
    EXPECT_EQ(api().Control("files"), "6 flash 1 100 f.mp3\n") << "no fault stored anything";
}

TEST_P(PlayerTest, FileListStreamLength) {
    // Parallel: entries and the end index; USB: records, then 523 bytes from the end marker.
    for (const size_t files : {0u, 1u, 2u}) {
        api().Control("reset");
        for (size_t i = 0; i < files; ++i) {
            Upload(0, "x", Pattern(3));
        }
        ASSERT_EQ(client.Open(3, 40000), 0u);
        std::vector<uint8_t> stream(files * kEntryBytes + (Usb() ? kEntryBytes + 1 : 1));
        EXPECT_EQ(client.Read(stream), 0u);
        EXPECT_EQ(stream[files * kEntryBytes], Usb() ? 0 : kListEnd);
        uint8_t more = 0;
        EXPECT_EQ(client.Read({&more, 1}), kPxErrorTimeout) << "nothing after the list";
        client.Close();
    }
}

TEST_P(PlayerTest, ValidCode24EndsTheDownloadAfterItsBlock) {
    const uint8_t index = Upload(0, "three.mp3", Pattern(40000));
    api().Control("fault code24 block 0");
    const Download d = client.Get(index);
    EXPECT_EQ(d.status, 0u);
    EXPECT_TRUE(d.refused);
    EXPECT_EQ(d.data.size(), Usb() ? 16368u + 16888u : 16368u);
}

TEST_P(PlayerTest, CardCodesEraseAndFormat) {
    uint8_t maker = 0, device = 0, answer = 9;
    ASSERT_EQ(client.CardCodes(maker, device), 0u);
    EXPECT_EQ(maker, 0xEC);
    EXPECT_EQ(device, 0x75);

    Upload(1, "on-card", Pattern(5));
    ASSERT_EQ(client.Erase(answer), 0u);
    EXPECT_EQ(answer, 0);
    uint16_t counts[4];
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[2], 0) << "an erased card reports total 0";
    EXPECT_EQ(api().Control("files"), "");

    std::vector<uint8_t> image = ExpectedImage(*CardLayoutOf(0xEC, 0x75));
    image[20000] ^= 0x04;
    ASSERT_EQ(client.Image(image, answer), 0u);
    EXPECT_EQ(answer, 24) << "one bit wrong";
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[2], 0);

    image[20000] ^= 0x04;
    ASSERT_EQ(client.Image(image, answer), 0u);
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(client.Figures(counts), 0u);
    EXPECT_EQ(counts[2], 1985);
    EXPECT_EQ(counts[3], 1985);
}

TEST_P(PlayerTest, SmallPageCardTakesItsHalfPiece) {
    api().Control("card EC 6E");
    const std::vector<uint8_t> image = ExpectedImage(*CardLayoutOf(0xEC, 0x6E));
    ASSERT_EQ(image.size(), 23496u);
    uint8_t answer = 9;
    ASSERT_EQ(client.Erase(answer), 0u);
    ASSERT_EQ(client.Image(image, answer), 0u);
    EXPECT_EQ(answer, 0);
}

TEST_P(PlayerTest, RefusalsOfEraseAndImage) {
    uint8_t answer = 0;
    api().Control("fault code24 erase");
    ASSERT_EQ(client.Erase(answer), 0u);
    EXPECT_EQ(answer, 24);
    api().Control("fault none");
    api().Control("fault code24 image");
    ASSERT_EQ(client.Image(ExpectedImage(*CardLayoutOf(0xEC, 0x75)), answer), 0u);
    EXPECT_EQ(answer, 24);
    api().Control("card none");
    uint8_t maker = 1, device = 1;
    ASSERT_EQ(client.CardCodes(maker, device), 0u);
    EXPECT_EQ(maker, 0);
}

}  // namespace
}  // namespace kivo::playersim::testing
