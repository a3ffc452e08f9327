#include "playersim/card_table.h"

#include <algorithm>
#include <array>

namespace kivo::playersim {
namespace {

constexpr std::array<uint8_t, 12> kMakerEcDevices = {0x6E, 0x64, 0xEA, 0xE3, 0xE5, 0xE6,
                                                     0x6D, 0x73, 0x75, 0x76, 0x79, 0xA4};
constexpr std::array<uint8_t, 12> kMaker98Devices = {0x6E, 0xEC, 0x64, 0xEA, 0x6B, 0xE5,
                                                     0xE6, 0x6D, 0x73, 0x75, 0x76, 0x79};

// Capacity by device code; the 4-Mbit 0xA4 card has one but no layout.
uint32_t CapacityKb(uint8_t device) {
    switch (device) {
        case 0x6E:
        case 0xEC:
            return 1024;
        case 0x64:
        case 0xEA:
            return 2048;
        case 0x6B:
        case 0xE3:
        case 0xE5:
            return 4096;
        case 0x6D:
        case 0xE6:
            return 8192;
        case 0x73:
            return 16384;
        case 0x75:
            return 32768;
        case 0x76:
            return 65536;
        case 0x79:
            return 131072;
        case 0xA4:
            return 512;
        default:
            return 0;
    }
}

constexpr CardLayout kLayouts[] = {
    {1,
     256,
     16,
     256,
     4,
     4,
     {0x80, 3, 2, 0, 1, 3, 4, 124, 13, 0, 0, 0, 0xC3, 0x07, 0, 0},
     8,
     1987,
     1,
     13,
     0,
     false},
    {2,
     512,
     16,
     256,
     8,
     4,
     {0x80, 1, 4, 0, 1, 3, 8, 124, 11, 0, 0, 0, 0x95, 0x0F, 0, 0},
     8,
     3989,
     2,
     11,
     0,
     false},
    {4,
     512,
     16,
     512,
     8,
     4,
     {0x80, 3, 4, 0, 1, 3, 8, 249, 27, 0, 0, 0, 0x25, 0x1F, 0, 0},
     16,
     7973,
     2,
     27,
     0,
     false},
    {8,
     1024,
     16,
     512,
     16,
     4,
     {0x80, 1, 10, 0, 1, 3, 16, 249, 25, 0, 0, 0, 0x67, 0x3E, 0, 0},
     16,
     15975,
     3,
     25,
     0,
     false},
    {16,
     1024,
     32,
     512,
     16,
     4,
     {0x80, 2, 10, 0, 1, 3, 0x50, 243, 41, 0, 0, 0, 0xD7, 0x7C, 0, 0},
     32,
     31959,
     3,
     41,
     0,
     false},
    {32,
     2048,
     32,
     512,
     16,
     8,
     {0x80, 2, 4, 0, 1, 7, 0x50, 243, 35, 0, 0, 0, 0xDD, 0xF9, 0, 0},
     32,
     63965,
     6,
     35,
     0,
     false},
    {64,
     4096,
     32,
     512,
     32,
     8,
     {0x80, 1, 24, 0, 1, 7, 0x60, 243, 55, 0, 0, 0, 0xC9, 0xF3, 0x01, 0},
     32,
     0,
     12,
     55,
     127945,
     false},
    {128,
     8192,
     32,
     512,
     32,
     16,
     {0x80, 1, 16, 0, 6, 15, 0x60, 243, 47, 0, 0, 0, 0xD1, 0xE7, 0x03, 0},
     32,
     0,
     32,
     47,
     255953,
     true},
};

}  // namespace

bool CardAccepted(uint8_t maker, uint8_t device) {
    if (maker == 0xEC) {
        return std::ranges::find(kMakerEcDevices, device) != kMakerEcDevices.end();
    }
    if (maker == 0x98) {
        return std::ranges::find(kMaker98Devices, device) != kMaker98Devices.end();
    }
    return false;
}

uint64_t CardCapacityBytes(uint8_t maker, uint8_t device) {
    return CardAccepted(maker, device) ? uint64_t{CapacityKb(device)} * 1024 : 0;
}

std::optional<CardLayout> CardLayoutOf(uint8_t maker, uint8_t device) {
    if (!CardAccepted(maker, device)) {
        return std::nullopt;
    }
    const uint32_t kb = CapacityKb(device);
    for (const CardLayout& layout : kLayouts) {
        if (layout.capacityMb * 1024 == kb) {
            return layout;
        }
    }
    return std::nullopt;
}

}  // namespace kivo::playersim
