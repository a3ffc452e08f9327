#pragma once

#include <cstdint>
#include <optional>

// The memory cards the player takes, and the layout their format image must have.
namespace kivo::playersim {

struct CardLayout {
    uint32_t capacityMb;
    uint32_t blocks;
    uint32_t pagesPerBlock;
    uint32_t pageDataBytes;  // 256 on the small-page cards, else 512
    uint32_t sectorsPerTrack;
    uint32_t heads;
    // The one partition-table entry of the master boot record.
    uint8_t partition[16];
    uint8_t sectorsPerCluster;
    uint16_t totalSectors16;
    uint16_t sectorsPerFat;
    uint32_t hiddenSectors;
    uint32_t totalSectors32;
    bool fat16;

    bool SmallPage() const { return pageDataBytes == 256; }
    uint32_t SectorsPerBlock() const { return pagesPerBlock * pageDataBytes / 512; }
};

// True when the maker and device codes are a card the player accepts.
bool CardAccepted(uint8_t maker, uint8_t device);
// The card's capacity in bytes; 0 for a pair that is not accepted.
uint64_t CardCapacityBytes(uint8_t maker, uint8_t device);
// The layout of an accepted card that can be formatted; none for the rest.
std::optional<CardLayout> CardLayoutOf(uint8_t maker, uint8_t device);

}  // namespace kivo::playersim
