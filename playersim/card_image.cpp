#include "playersim/card_image.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include "playersim/format.h"

namespace kivo::playersim {
namespace {

constexpr uint8_t kCis[110] = {
    0x01, 0x03, 0xD9, 0x01, 0xFF, 0x18, 0x02, 0xDF, 0x01, 0x20, 0x04, 0x00, 0x00, 0x00, 0x00, 0x21,
    0x02, 0x04, 0x01, 0x22, 0x02, 0x01, 0x01, 0x22, 0x03, 0x02, 0x04, 0x07, 0x1A, 0x05, 0x01, 0x03,
    0x00, 0x02, 0x0F, 0x1B, 0x08, 0xC0, 0xC0, 0xA1, 0x01, 0x55, 0x08, 0x00, 0x20, 0x1B, 0x0A, 0xC1,
    0x41, 0x99, 0x01, 0x55, 0x64, 0xF0, 0xFF, 0xFF, 0x20, 0x1B, 0x0C, 0x82, 0x41, 0x18, 0xEA, 0x61,
    0xF0, 0x01, 0x07, 0xF6, 0x03, 0x01, 0xEE, 0x1B, 0x0C, 0x83, 0x41, 0x18, 0xEA, 0x61, 0x70, 0x01,
    0x07, 0x76, 0x03, 0x01, 0xEE, 0x15, 0x14, 0x05, 0x00, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x00, 0x20, 0x20, 0x20, 0x20, 0x00, 0x30, 0x2E, 0x30, 0x00, 0xFF, 0x14, 0x00, 0xFF};

int Bit(uint32_t value, int n) {
    return static_cast<int>((value >> n) & 1u);
}

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

struct Sector {
    uint8_t data[512];
    uint8_t spare[16];
};

// Appends a sector as one large page or as two small ones.
void AppendSector(std::vector<uint8_t>& out, const Sector& s, bool smallPage) {
    if (smallPage) {
        out.insert(out.end(), s.data, s.data + 256);
        out.insert(out.end(), s.spare, s.spare + 8);
        out.insert(out.end(), s.data + 256, s.data + 512);
        out.insert(out.end(), s.spare + 8, s.spare + 16);
    } else {
        out.insert(out.end(), s.data, s.data + 512);
        out.insert(out.end(), s.spare, s.spare + 16);
    }
}

void SetEccAndAddress(Sector& s, uint16_t address) {
    std::memset(s.spare, 0xFF, 6);
    s.spare[6] = s.spare[11] = static_cast<uint8_t>(address >> 8);
    s.spare[7] = s.spare[12] = static_cast<uint8_t>(address);
    const Ecc high = SmartMediaEcc(std::span<const uint8_t, 256>(s.data + 256, 256));
    const Ecc low = SmartMediaEcc(std::span<const uint8_t, 256>(s.data, 256));
    std::memcpy(s.spare + 8, high.bytes, 3);
    std::memcpy(s.spare + 13, low.bytes, 3);
}

// The pages of physical block 0, which marks itself invalid.
void AppendInvalidBlock(std::vector<uint8_t>& out, const CardLayout& l) {
    const uint32_t page = l.pageDataBytes + l.pageDataBytes / 32;
    for (uint32_t p = 0; p < l.pagesPerBlock; ++p) {
        std::vector<uint8_t> bytes(page, 0xFF);
        if (p < 2) {
            const uint32_t zeros = l.SmallPage() ? 256 + 6 : 512 + 9;
            std::fill_n(bytes.begin(), zeros, 0);
        } else if (l.SmallPage() && p % 2 == 1) {
            continue;
        } else {
            bytes[l.pageDataBytes + 5] = 0x00;
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
}

void AppendCisBlock(std::vector<uint8_t>& out, const CardLayout& l) {
    Sector cis{};
    std::memcpy(cis.data, kCis, sizeof kCis);
    std::memcpy(cis.data + 256, kCis, sizeof kCis);
    SetEccAndAddress(cis, 0);
    AppendSector(out, cis, l.SmallPage());
    uint32_t filler = l.pagesPerBlock - 2;
    if (!l.SmallPage()) {
        AppendSector(out, cis, false);
    }
    const uint32_t page = l.pageDataBytes + l.pageDataBytes / 32;
    out.insert(out.end(), size_t{filler} * page, 0xFF);
}

}  // namespace

Ecc SmartMediaEcc(std::span<const uint8_t, 256> data) {
    uint32_t lines = 0;  // bit j = line parity LP(j)
    uint8_t all = 0;
    for (uint32_t i = 0; i < 256; ++i) {
        all ^= data[i];
        if (std::popcount(data[i]) % 2 == 1) {
            for (int k = 0; k < 8; ++k) {
                lines ^= 1u << (2 * k + Bit(i, k));
            }
        }
    }
    const int cp0 = Bit(all, 0) ^ Bit(all, 2) ^ Bit(all, 4) ^ Bit(all, 6);
    const int cp1 = Bit(all, 1) ^ Bit(all, 3) ^ Bit(all, 5) ^ Bit(all, 7);
    const int cp2 = Bit(all, 0) ^ Bit(all, 1) ^ Bit(all, 4) ^ Bit(all, 5);
    const int cp3 = Bit(all, 2) ^ Bit(all, 3) ^ Bit(all, 6) ^ Bit(all, 7);
    const int cp4 = Bit(all, 0) ^ Bit(all, 1) ^ Bit(all, 2) ^ Bit(all, 3);
    const int cp5 = Bit(all, 4) ^ Bit(all, 5) ^ Bit(all, 6) ^ Bit(all, 7);
    const uint32_t columns =
        (cp0 << 2) | (cp1 << 3) | (cp2 << 4) | (cp3 << 5) | (cp4 << 6) | (cp5 << 7);
    return Ecc{{static_cast<uint8_t>(~lines), static_cast<uint8_t>(~(lines >> 8)),
                static_cast<uint8_t>(~columns)}};
}

uint16_t BlockAddressField(uint32_t block) {
    const uint32_t value = 0x1000 + 2 * block;
    return static_cast<uint16_t>(value + (std::popcount(value) % 2));
}

std::vector<uint8_t> ExpectedImage(const CardLayout& l) {
    std::vector<uint8_t> out;
    AppendInvalidBlock(out, l);
    AppendCisBlock(out, l);

    const uint8_t* entry = l.partition;
    const uint32_t cylinder = entry[3] | ((entry[2] & 0xC0u) << 2);
    const uint32_t start =
        (cylinder * l.heads + entry[1]) * l.sectorsPerTrack + (entry[2] & 0x3F) - 1;
    const uint32_t fat1 = start + 1;
    const uint32_t fat2 = fat1 + l.sectorsPerFat;
    const uint32_t root = fat2 + l.sectorsPerFat;
    const uint32_t end = root + 256 * 32 / 512;
    const bool addressed = l.blocks <= 2048;

    for (uint32_t i = 0; i < end; ++i) {
        Sector s{};
        if (i == 0) {
            std::memcpy(s.data + 446, l.partition, 16);
        } else if (i < start) {
            std::memset(s.data, 0xFF, 512);
        } else if (i == start) {
            uint8_t* b = s.data;
            b[0] = 0xE9;
            std::memset(b + 3, ' ', 8);
            Put16(b + 11, 512);
            b[13] = l.sectorsPerCluster;
            Put16(b + 14, 1);
            b[16] = 2;
            Put16(b + 17, 256);
            Put16(b + 19, l.totalSectors16);
            b[21] = 0xF8;
            Put16(b + 22, l.sectorsPerFat);
            Put16(b + 24, l.sectorsPerTrack);
            Put16(b + 26, l.heads);
            Put32(b + 28, l.hiddenSectors);
            Put32(b + 32, l.totalSectors32);
            std::memcpy(b + 54, l.fat16 ? "FAT16   " : "FAT12   ", 8);
        } else if (i == fat1 || i == fat2) {
            const uint8_t head[4] = {0xF8, 0xFF, 0xFF, static_cast<uint8_t>(l.fat16 ? 0xFF : 0)};
            std::memcpy(s.data, head, 4);
        }
        if (i == 0 || i == start) {
            s.data[510] = 0x55;
            s.data[511] = 0xAA;
        }
        const uint32_t block = i / l.SectorsPerBlock();
        SetEccAndAddress(s, addressed ? BlockAddressField(block) : 0);
        AppendSector(out, s, l.SmallPage());
    }
    return out;
}

std::string CheckImage(const CardLayout& l, std::span<const uint8_t> image) {
    const std::vector<uint8_t> expected = ExpectedImage(l);
    if (image.size() != expected.size()) {
        return Format("image of {} bytes, the card needs {}", image.size(), expected.size());
    }
    const auto [mine, theirs] = std::ranges::mismatch(expected, image);
    if (mine == expected.end()) {
        return {};
    }
    const size_t offset = static_cast<size_t>(mine - expected.begin());
    const uint32_t page = l.pageDataBytes + l.pageDataBytes / 32;
    return Format("image differs at page {} byte {}: {:02X} where {:02X} belongs", offset / page,
                  offset % page, *theirs, *mine);
}

}  // namespace kivo::playersim
