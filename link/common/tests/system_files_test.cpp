#include "link/common/system_files.h"
#include "link/common/mas_images.h"

#include "link/testing/scripted_channel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kivo::link {
namespace {

using testing::Bytes;
using testing::Le32;
using testing::ScriptedLink;
using Trace = std::vector<std::string>;

// The exchange that deletes a system file and then writes it with `command`.
Trace ReplaceTrace(const std::string& index, const std::string& command,
                   const std::string& fileType, const std::string& size) {
    return {"open 40000",
            "write to port(command) 05",
            "write File Index " + index,
            "read delete OK 1",
            "close",
            "open 60000",
            "write to port(command) " + command,
            "write to port(memory type) 00",
            "write to port(file type) " + fileType,
            "write to port(file size) " + size,
            "write to port(file block) 01 00",
            "write to port(file name) 515",
            "write to port(data) 16368",
            "write to port(cancel code) 00",
            "read File Index 1",
            "close"};
}

Bytes NameField(const char* name) {
    Bytes field(515, 0);
    std::memcpy(field.data(), name, std::strlen(name));
    return field;
}

TEST(SystemFilesTest, ConfigFileCarriesTheConfigArea) {
    ScriptedLink l;
    for (unsigned i = 0; i < kConfigAreaBytes; ++i)
        l.state.ConfigArea[i] = static_cast<uint8_t>(i + 1);
    l.state.TransferCancelCode = 1;
    l.channel.Reply({0, 99});
    EXPECT_EQ(WriteConfigFile(l.link), 0);
    EXPECT_EQ(l.channel.Trace(), ReplaceTrace("02", "0B", "00", "04 01 00 00"));
    Bytes data(l.state.ConfigArea.begin(), l.state.ConfigArea.end());
    data.resize(16368, 0);
    EXPECT_EQ(l.channel.Written("to port(data)"), data);
    EXPECT_EQ(l.channel.Written("to port(file name)"), NameField("config.dat"));
    // Neither the stop flag nor the play order is touched by a system file.
    EXPECT_EQ(l.state.TransferCancelCode, 1);
    EXPECT_EQ(l.state.PlayOrderCount, 0);
    EXPECT_EQ(l.clock->Ticks(), 0u);
}

TEST(SystemFilesTest, SerialFileKeepsEightBytesOfTheTag) {
    struct Case {
        const char* tag;
        Bytes first;
    };
    const Case cases[] = {
        {"KIVO", {'K', 'I', 'V', 'O', 0, 0, 0, 0, 0}},
        {"ABCDEFGH", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0}},
        {"", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ScriptedLink l;
        l.channel.Reply({0, 1});
        EXPECT_EQ(WriteSerialFile(l.link, c.tag), 0);
        EXPECT_EQ(l.channel.Trace(), ReplaceTrace("01", "0E", "00", "08 00 00 00")) << c.tag;
        const Bytes data = l.channel.Written("to port(data)");
        EXPECT_EQ(Bytes(data.begin(), data.begin() + 9), c.first) << c.tag;
        EXPECT_EQ(l.channel.Written("to port(file name)"), NameField("serial.dat"));
    }
}

TEST(SystemFilesTest, WriteProceedsWhenTheDeleteFails) {
    ScriptedLink l;
    l.channel.Fail("read", "delete OK", 12);
    l.channel.Reply({3});
    EXPECT_EQ(WriteSerialFile(l.link, "KIVO"), 0);
    EXPECT_EQ(l.channel.Count("write", "to port(data)"), 1u);
}

TEST(SystemFilesTest, MasImagesFollowThePlayerGeneration) {
    struct Case {
        const char* version;
        uint32_t encoder, decoder;
    };
    const Case cases[] = {
        {"01.30", 8256, 8588}, {"02.00", 8256, 8588}, {"01.31", 8256, 8588}, {"01.20", 4912, 5100},
        {"", 4912, 5100},      {" ", 4912, 5100},     {"01.3", 4912, 5100},  {"00.99", 4912, 5100},
    };
    for (const auto& c : cases) {
        ScriptedLink l;
        std::strcpy(l.state.PlayerVersionText.data(), c.version);
        l.channel.Reply({0, 0, 3, 4});
        EXPECT_EQ(WriteMasImages(l.link), 0) << c.version;
        Trace expected{"open 40000",
                       "write to port(command) 05",
                       "write File Index 03",
                       "read delete OK 1",
                       "close",
                       "open 40000",
                       "write to port(command) 05",
                       "write File Index 04",
                       "read delete OK 1",
                       "close"};
        const Trace encoder = ReplaceTrace("03", "0C", "04", testing::Hex(Le32(c.encoder)));
        const Trace decoder = ReplaceTrace("04", "0D", "04", testing::Hex(Le32(c.decoder)));
        expected.insert(expected.end(), encoder.begin() + 5, encoder.end());
        expected.insert(expected.end(), decoder.begin() + 5, decoder.end());
        EXPECT_EQ(l.channel.Trace(), expected) << c.version;

        const Bytes data = l.channel.Written("to port(data)");
        ASSERT_EQ(data.size(), 2u * 16368);
        const auto enc = EncoderImage(c.encoder == 4912);
        const auto dec = DecoderImage(c.encoder == 4912);
        ASSERT_EQ(enc.size(), c.encoder);
        ASSERT_EQ(dec.size(), c.decoder);
        EXPECT_TRUE(std::equal(enc.begin(), enc.end(), data.begin())) << c.version;
        EXPECT_TRUE(std::all_of(data.begin() + c.encoder, data.begin() + 16368,
                                [](uint8_t b) { return b == 0; }));
        EXPECT_TRUE(std::equal(dec.begin(), dec.end(), data.begin() + 16368)) << c.version;
        EXPECT_EQ(l.channel.Written("to port(file name)"),
                  testing::Concat({NameField("encode.mas"), NameField("decode.mas")}));
    }
}

TEST(SystemFilesTest, FailedEncoderLeavesTheDecoderUnwritten) {
    ScriptedLink l;
    l.channel.Reply({0, 0});
    l.channel.Fail("write", "to port(data)", 20);
    EXPECT_EQ(WriteMasImages(l.link), 20);
    EXPECT_EQ(l.channel.Count("write", "to port(command)"), 3u);
    EXPECT_EQ(l.channel.Count("write", "to port(data)"), 1u);
}

TEST(SystemFilesTest, ImagesAreDistinctConstantData) {
    const std::span<const uint8_t> images[] = {EncoderImage(true), DecoderImage(true),
                                               EncoderImage(false), DecoderImage(false)};
    for (size_t a = 0; a < 4; ++a) {
        for (size_t b = a + 1; b < 4; ++b) {
            const size_t n = std::min(images[a].size(), images[b].size());
            EXPECT_FALSE(std::equal(images[a].begin(), images[a].begin() + n, images[b].begin()));
        }
    }
    EXPECT_EQ(EncoderImage(false).data(), EncoderImage(false).data());
}

}  // namespace
}  // namespace kivo::link
