#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kivo::link {

// What the format image needs to know of one card capacity.
struct CardGeometry {
    uint16_t blocks;
    uint8_t pagesPerBlock;
    uint16_t pageDataBytes;  // 256 on the small-page cards, else 512
    uint8_t sectorsPerTrack;
    uint8_t heads;

    bool smallPage() const { return pageDataBytes == 256; }
    uint16_t pageRedundantBytes() const { return pageDataBytes / 32; }
    uint16_t pageBytes() const { return pageDataBytes + pageRedundantBytes(); }
    unsigned sectorsPerBlock() const { return pagesPerBlock * pageDataBytes / 512u; }
};

// The boot-sector values that differ by capacity.
struct BootSectorValues {
    uint8_t sectorsPerCluster;
    uint16_t totalSectors16;
    uint16_t sectorsPerFat;
    uint16_t sectorsPerTrack;
    uint16_t heads;
    uint32_t hiddenSectors;
    uint32_t totalSectors32;
    bool fat16;
};

struct CardLayout {
    CardGeometry geometry;
    std::array<uint8_t, 16> partitionEntry;
    BootSectorValues boot;
};

// The layout for a card's maker and device codes; nothing for a card without a geometry.
std::optional<CardLayout> LookupCard(uint8_t maker, uint8_t device);

inline constexpr unsigned kCisDataBytes = 110;
extern const std::array<uint8_t, kCisDataBytes> kCisData;

}  // namespace kivo::link
