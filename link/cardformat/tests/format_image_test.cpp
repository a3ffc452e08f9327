#include "link/cardformat/format_image.h"
#include "link/cardformat/card_tables.h"
#include "link/cardformat/smartmedia_ecc.h"
#include "platform/win/file_size_limit.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kivo::link {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr size_t kPage = 528;
constexpr size_t kSmallPage = 264;

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Slice(const Bytes& bytes, size_t at, size_t count) {
    return Bytes(bytes.begin() + at, bytes.begin() + at + count);
}

class FormatImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kivo-format-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Bytes Build(uint8_t maker, uint8_t device) {
        const fs::path path = dir_ / "header.dat";
        EXPECT_EQ(BuildFormatImageAt(path, maker, device), 0);
        return ReadAll(path);
    }

    fs::path dir_;
};

TEST(SmartMediaEccTest, KnownValues) {
    struct Case {
        const char* what;
        Bytes data;
        std::array<uint8_t, 3> ecc;
    };
    Bytes one(256, 0);
    one[0] = 0x01;
    const Case cases[] = {
        {"all zero", Bytes(256, 0x00), {0xFF, 0xFF, 0xFF}},
        {"all ones", Bytes(256, 0xFF), {0xFF, 0xFF, 0xFF}},
        {"0x01 first", one, {0xAA, 0xAA, 0xAB}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SmartMediaEcc(c.data.data()), c.ecc) << c.what;
    }
}

TEST(SmartMediaEccTest, SingleBitFlipsChangeTheCode) {
    // A Hamming code locates every single-bit error: each flip gives a distinct syndrome.
    Bytes data(256, 0x5A);
    const auto base = SmartMediaEcc(data.data());
    std::vector<uint32_t> syndromes;
    for (unsigned i = 0; i < 256; i += 37) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            data[i] ^= static_cast<uint8_t>(1u << bit);
            const auto ecc = SmartMediaEcc(data.data());
            data[i] ^= static_cast<uint8_t>(1u << bit);
            const uint32_t syndrome =
                ((ecc[0] ^ base[0]) << 16) | ((ecc[1] ^ base[1]) << 8) | (ecc[2] ^ base[2]);
            EXPECT_NE(syndrome, 0u);
            syndromes.push_back(syndrome);
        }
    }
    std::sort(syndromes.begin(), syndromes.end());
    EXPECT_EQ(std::adjacent_find(syndromes.begin(), syndromes.end()), syndromes.end());
}

TEST_F(FormatImageTest, ImageSizeForEveryCapacity) {
    struct Case {
        uint8_t maker, device;
        size_t bytes;
    };
    const Case cases[] = {
        {0xEC, 0x6E, 23496},  {0x98, 0xEC, 23496}, {0xEC, 0x64, 23496}, {0x98, 0xEA, 23496},
        {0xEC, 0xE3, 42240},  {0x98, 0x6B, 42240}, {0xEC, 0xE5, 42240}, {0xEC, 0xE6, 42240},
        {0x98, 0x6D, 42240},  {0xEC, 0x73, 67584}, {0x98, 0x75, 67584}, {0xEC, 0x76, 84480},
        {0x98, 0x79, 101376},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Build(c.maker, c.device).size(), c.bytes)
            << std::hex << int(c.maker) << "/" << int(c.device);
    }
}

TEST_F(FormatImageTest, CardsWithoutGeometryGiveAnEmptyFile) {
    const std::pair<uint8_t, uint8_t> cards[] = {
        {0x98, 0xE3}, {0xEC, 0x6B}, {0xEC, 0xA4}, {0xEC, 0xEC},
        {0x98, 0xA4}, {0x20, 0x73}, {0xEC, 0x00},
    };
    for (const auto& [maker, device] : cards) {
        fs::path path = dir_ / "header.dat";
        std::ofstream(path) << "old content";
        EXPECT_EQ(BuildFormatImageAt(path, maker, device), 0);
        EXPECT_TRUE(fs::exists(path));
        EXPECT_EQ(fs::file_size(path), 0u) << std::hex << int(maker) << "/" << int(device);
    }
}

TEST_F(FormatImageTest, SixteenMegabyteLayout) {
    const Bytes image = Build(0xEC, 0x73);
    ASSERT_EQ(image.size(), 128 * kPage);
    auto page = [&](size_t n) { return Slice(image, n * kPage, kPage); };

    // Block 0: two zero pages, then thirty marked invalid.
    for (size_t n = 0; n < 2; ++n) {
        Bytes expected(kPage, 0x00);
        std::memset(expected.data() + 512 + 9, 0xFF, 7);
        EXPECT_EQ(page(n), expected) << n;
    }
    for (size_t n = 2; n < 32; ++n) {
        Bytes expected(kPage, 0xFF);
        expected[512 + 5] = 0x00;
        EXPECT_EQ(page(n), expected) << n;
    }

    // Block 1: the information structure twice at both halves, then erased pages.
    const Bytes cis = page(32);
    EXPECT_EQ(page(33), cis);
    EXPECT_EQ(Slice(cis, 0, kCisDataBytes), Bytes(kCisData.begin(), kCisData.end()));
    EXPECT_EQ(Slice(cis, 256, kCisDataBytes), Bytes(kCisData.begin(), kCisData.end()));
    EXPECT_EQ(Slice(cis, kCisDataBytes, 256 - kCisDataBytes), Bytes(256 - kCisDataBytes, 0));
    const auto high = SmartMediaEcc(cis.data() + 256);
    const auto low = SmartMediaEcc(cis.data());
    EXPECT_EQ(Slice(cis, 512, 16), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, high[0],
                                          high[1], high[2], 0x00, 0x00, low[0], low[1], low[2]}));
    for (size_t n = 34; n < 64; ++n)
        EXPECT_EQ(page(n), Bytes(kPage, 0xFF)) << n;

    auto sector = [&](size_t i) { return page(64 + i); };
    const Bytes mbr = sector(0);
    EXPECT_EQ(Slice(mbr, 446, 16), (Bytes{0x80, 0x02, 0x0A, 0x00, 0x01, 0x03, 0x50, 0xF3, 0x29,
                                          0x00, 0x00, 0x00, 0xD7, 0x7C, 0x00, 0x00}));
    EXPECT_EQ(Slice(mbr, 0, 446), Bytes(446, 0));
    EXPECT_EQ(mbr[510], 0x55);
    EXPECT_EQ(mbr[511], 0xAA);
    for (size_t i = 1; i < 41; ++i)
        EXPECT_EQ(Slice(sector(i), 0, 512), Bytes(512, 0xFF)) << i;

    const Bytes boot = sector(41);
    const Bytes bootStart{0xE9, 0x00, 0x00, ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  ' ',  0x00,
                          0x02, 32,   0x01, 0x00, 0x02, 0x00, 0x01, 0xD7, 0x7C, 0xF8, 0x03, 0x00,
                          0x10, 0x00, 0x04, 0x00, 41,   0,    0,    0,    0,    0,    0,    0};
    EXPECT_EQ(Slice(boot, 0, bootStart.size()), bootStart);
    EXPECT_EQ(std::string(boot.begin() + 54, boot.begin() + 62), "FAT12   ");
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);

    for (size_t i : {42, 45}) {
        EXPECT_EQ(Slice(sector(i), 0, 4), (Bytes{0xF8, 0xFF, 0xFF, 0x00})) << i;
        EXPECT_EQ(Slice(sector(i), 4, 508), Bytes(508, 0)) << i;
    }
    for (size_t i : {43, 44, 46, 47, 48, 63})
        EXPECT_EQ(Slice(sector(i), 0, 512), Bytes(512, 0)) << i;

    for (size_t i = 0; i < 64; ++i) {
        const Bytes s = sector(i);
        const uint8_t hi = 0x10, lo = i < 32 ? 0x01 : 0x02;
        EXPECT_EQ(Slice(s, 512, 6), Bytes(6, 0xFF)) << i;
        EXPECT_EQ(s[512 + 6], hi) << i;
        EXPECT_EQ(s[512 + 7], lo) << i;
        EXPECT_EQ(s[512 + 11], hi) << i;
        EXPECT_EQ(s[512 + 12], lo) << i;
        const auto h = SmartMediaEcc(s.data() + 256);
        const auto l = SmartMediaEcc(s.data());
        EXPECT_EQ(Slice(s, 520, 3), Bytes(h.begin(), h.end())) << i;
        EXPECT_EQ(Slice(s, 525, 3), Bytes(l.begin(), l.end())) << i;
    }
    EXPECT_EQ(Slice(sector(5), 520, 3), (Bytes{0xFF, 0xFF, 0xFF}));
}

TEST_F(FormatImageTest, SmallPageCardStoresSectorsAsPagePairs) {
    const Bytes image = Build(0xEC, 0x6E);
    ASSERT_EQ(image.size(), 89 * kSmallPage);
    auto page = [&](size_t n) { return Slice(image, n * kSmallPage, kSmallPage); };

    Bytes zero(kSmallPage, 0x00);
    zero[262] = zero[263] = 0xFF;
    EXPECT_EQ(page(0), zero);
    EXPECT_EQ(page(1), zero);
    Bytes bad(kSmallPage, 0xFF);
    bad[256 + 5] = 0x00;
    for (size_t n = 2; n < 9; ++n)
        EXPECT_EQ(page(n), bad) << n;

    // The information structure as one sector over two pages, then fourteen erased pages.
    EXPECT_EQ(Slice(page(9), 0, kCisDataBytes), Bytes(kCisData.begin(), kCisData.end()));
    EXPECT_EQ(Slice(page(10), 0, kCisDataBytes), Bytes(kCisData.begin(), kCisData.end()));
    EXPECT_EQ(Slice(page(9), 256, 8), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    for (size_t n = 11; n < 25; ++n)
        EXPECT_EQ(page(n), Bytes(kSmallPage, 0xFF)) << n;

    // Logical sectors from page 25: blocks of 8 sectors carry 0x1001, 0x1002, 0x1004, 0x1007.
    const uint16_t addresses[] = {0x1001, 0x1002, 0x1004, 0x1007};
    for (size_t i = 0; i < 32; ++i) {
        const Bytes first = page(25 + 2 * i);
        const Bytes second = page(26 + 2 * i);
        const uint16_t a = addresses[i / 8];
        EXPECT_EQ(first[256 + 6], a >> 8) << i;
        EXPECT_EQ(first[256 + 7], a & 0xFF) << i;
        EXPECT_EQ(second[256 + 3], a >> 8) << i;
        EXPECT_EQ(second[256 + 4], a & 0xFF) << i;
        const auto low = SmartMediaEcc(first.data());
        const auto high = SmartMediaEcc(second.data());
        EXPECT_EQ(Slice(second, 256 + 5, 3), Bytes(low.begin(), low.end())) << i;
        EXPECT_EQ(Slice(second, 256 + 0, 3), Bytes(high.begin(), high.end())) << i;
    }
    // The partition entry lies in the second half of the boot record.
    EXPECT_EQ(Slice(page(26), 446 - 256, 16),
              (Bytes{0x80, 3, 2, 0, 1, 3, 4, 124, 13, 0, 0, 0, 0xC3, 0x07, 0, 0}));
    // Sector 13 is the boot sector, its FATs at 14 and 15.
    EXPECT_EQ(page(25 + 2 * 13)[0], 0xE9);
    EXPECT_EQ(Slice(page(25 + 2 * 14), 0, 4), (Bytes{0xF8, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Slice(page(25 + 2 * 15), 0, 4), (Bytes{0xF8, 0xFF, 0xFF, 0x00}));
}

TEST_F(FormatImageTest, LargestCardsLeaveBlockAddressesZero) {
    const Bytes big = Build(0xEC, 0x76);
    ASSERT_EQ(big.size(), 160 * kPage);
    const size_t firstSector = 64 * kPage;
    EXPECT_EQ(Slice(big, firstSector + 446 + 12, 4), (Bytes{0xC9, 0xF3, 0x01, 0x00}));
    for (size_t i = 0; i < 96; ++i) {
        const size_t r = firstSector + i * kPage + 512;
        EXPECT_EQ(Slice(big, r + 6, 2), (Bytes{0, 0})) << i;
        EXPECT_EQ(Slice(big, r + 11, 2), (Bytes{0, 0})) << i;
    }
}

TEST_F(FormatImageTest, EachBuildStartsFromTheTables) {
    const Bytes large = Build(0x98, 0x79);
    ASSERT_EQ(large.size(), 192 * kPage);
    const size_t sectors = 64 * kPage;
    const size_t boot = sectors + 47 * kPage;
    EXPECT_EQ(std::string(large.begin() + boot + 54, large.begin() + boot + 62), "FAT16   ");
    EXPECT_EQ(Slice(large, sectors + 48 * kPage, 4), (Bytes{0xF8, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Slice(large, sectors + 80 * kPage, 4), (Bytes{0xF8, 0xFF, 0xFF, 0xFF}));

    const Bytes small = Build(0xEC, 0x73);
    const size_t boot16 = sectors + 41 * kPage;
    EXPECT_EQ(std::string(small.begin() + boot16 + 54, small.begin() + boot16 + 62), "FAT12   ");
    EXPECT_EQ(Slice(small, sectors + 42 * kPage, 4), (Bytes{0xF8, 0xFF, 0xFF, 0x00}));
}

TEST_F(FormatImageTest, UncreatableFileFails) {
    EXPECT_EQ(BuildFormatImageAt(dir_ / "missing" / "header.dat", 0xEC, 0x73), -11);
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(FormatImageTest, FullDiskRemovesThePartialImage) {
    // The disk fills part way through the image; the image is then not left behind.
    const fs::path full = dir_ / "full.dat";
    {
        FileSizeLimit limit(4096);
        EXPECT_EQ(BuildFormatImageAt(full, 0xEC, 0x73), -11);
    }
    EXPECT_FALSE(fs::exists(full));
}

}  // namespace
}  // namespace kivo::link
