// The player's own idea of a correct card format image, checked against the card layout.

#include "playersim/card_image.h"
#include "playersim/card_table.h"

#include <gtest/gtest.h>

#include <array>

namespace kivo::playersim {
namespace {

std::array<uint8_t, 3> EccOf(const std::array<uint8_t, 256>& half) {
    const Ecc ecc = SmartMediaEcc(std::span<const uint8_t, 256>(half));
    return {ecc.bytes[0], ecc.bytes[1], ecc.bytes[2]};
}

TEST(playersim_CardImage, EccOfKnownHalves) {
    std::array<uint8_t, 256> half{};
    EXPECT_EQ(EccOf(half), (std::array<uint8_t, 3>{0xFF, 0xFF, 0xFF}));
    half.fill(0xFF);
    EXPECT_EQ(EccOf(half), (std::array<uint8_t, 3>{0xFF, 0xFF, 0xFF}));
    half.fill(0);
    half[0] = 0x01;
    EXPECT_EQ(EccOf(half), (std::array<uint8_t, 3>{0xAA, 0xAA, 0xAB}));
}

TEST(playersim_CardImage, BlockAddressFieldsHaveEvenParity) {
    EXPECT_EQ(BlockAddressField(0), 0x1001);
    EXPECT_EQ(BlockAddressField(1), 0x1002);
    EXPECT_EQ(BlockAddressField(2), 0x1004);
    EXPECT_EQ(BlockAddressField(3), 0x1007);
}

struct SizeCase {
    uint8_t maker;
    uint8_t device;
    size_t bytes;
};

TEST(playersim_CardImage, ImageSizesByCard) {
    const SizeCase cases[] = {
        {0xEC, 0x6E, 23496}, {0x98, 0xEA, 23496}, {0xEC, 0xE5, 42240}, {0x98, 0x6D, 42240},
        {0xEC, 0x73, 67584}, {0xEC, 0x75, 67584}, {0x98, 0x76, 84480}, {0xEC, 0x79, 101376},
    };
    for (const SizeCase& c : cases) {
        const auto layout = CardLayoutOf(c.maker, c.device);
        ASSERT_TRUE(layout) << int{c.device};
        EXPECT_EQ(ExpectedImage(*layout).size(), c.bytes) << int{c.device};
    }
}

TEST(playersim_CardImage, CardsWithoutLayout) {
    EXPECT_FALSE(CardLayoutOf(0x98, 0xE3));
    EXPECT_FALSE(CardLayoutOf(0xEC, 0x6B));
    EXPECT_FALSE(CardLayoutOf(0xEC, 0xA4));
    EXPECT_TRUE(CardAccepted(0xEC, 0xA4));
    EXPECT_FALSE(CardAccepted(0x12, 0x75));
}

TEST(playersim_CardImage, SixteenMegabyteCardLayout) {
    const std::vector<uint8_t> image = ExpectedImage(*CardLayoutOf(0xEC, 0x73));
    const auto page = [&](size_t n) { return std::span(image).subspan(n * 528, 528); };
    ASSERT_EQ(image.size(), 128u * 528);
    EXPECT_EQ(page(0)[520], 0x00);
    EXPECT_EQ(page(1)[521], 0xFF);
    for (size_t p = 2; p < 32; ++p) {
        EXPECT_EQ(page(p)[512 + 5], 0x00) << p;
    }
    EXPECT_TRUE(std::ranges::equal(page(32), page(33))) << "the CIS page twice";
    EXPECT_EQ(page(32)[0], 0x01);
    EXPECT_EQ(page(32)[256], 0x01);
    const auto mbr = page(64);
    const std::array<uint8_t, 16> entry = {0x80, 0x02, 0x0A, 0x00, 0x01, 0x03, 0x50, 0xF3,
                                           0x29, 0x00, 0x00, 0x00, 0xD7, 0x7C, 0x00, 0x00};
    EXPECT_TRUE(std::ranges::equal(mbr.subspan(446, 16), entry));
    EXPECT_EQ(mbr[510], 0x55);
    const auto boot = page(64 + 41);
    EXPECT_EQ(boot[0], 0xE9);
    EXPECT_EQ(std::string(boot.begin() + 54, boot.begin() + 62), "FAT12   ");
    for (const size_t fat : {42u, 45u}) {
        EXPECT_EQ(page(64 + fat)[0], 0xF8);
        EXPECT_EQ(page(64 + fat)[3], 0x00);
    }
    EXPECT_EQ(page(64 + 31)[512 + 6], 0x10);
    EXPECT_EQ(page(64 + 31)[512 + 7], 0x01);
    EXPECT_EQ(page(64 + 32)[512 + 12], 0x02);
}

TEST(playersim_CardImage, LargeCardsCarryTheirCountsAndNoBlockAddresses) {
    const std::vector<uint8_t> big = ExpectedImage(*CardLayoutOf(0xEC, 0x76));
    const auto mbr = std::span(big).subspan(64 * 528, 528);
    EXPECT_EQ(mbr[458], 0xC9);
    EXPECT_EQ(mbr[460], 0x01);
    EXPECT_EQ(mbr[512 + 6], 0x00);
    const std::vector<uint8_t> fat16 = ExpectedImage(*CardLayoutOf(0xEC, 0x79));
    const auto boot = std::span(fat16).subspan((64 + 47) * 528, 528);
    EXPECT_EQ(boot[58], '6');
    EXPECT_EQ(fat16[(64 + 48) * 528 + 3], 0xFF);
}

TEST(playersim_CardImage, CheckNamesTheFirstDifference) {
    const CardLayout layout = *CardLayoutOf(0xEC, 0x75);
    std::vector<uint8_t> image = ExpectedImage(layout);
    EXPECT_EQ(CheckImage(layout, image), "");
    image[64 * 528 + 446] ^= 0x80;
    EXPECT_NE(CheckImage(layout, image).find("page 64 byte 446"), std::string::npos);
    image.pop_back();
    EXPECT_NE(CheckImage(layout, image).find("67583"), std::string::npos);
}

}  // namespace
}  // namespace kivo::playersim
