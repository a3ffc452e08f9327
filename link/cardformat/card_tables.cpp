#include "link/cardformat/card_tables.h"

namespace kivo::link {

namespace {

enum class Capacity { k1MB, k2MB, k4MB, k8MB, k16MB, k32MB, k64MB, k128MB };

constexpr std::array<CardLayout, 8> kLayouts{{
    {{256, 16, 256, 4, 4},
     {0x80, 3, 2, 0, 1, 3, 4, 124, 13, 0, 0, 0, 0xC3, 0x07, 0, 0},
     {8, 1987, 1, 4, 4, 13, 0, false}},
    {{512, 16, 256, 8, 4},
     {0x80, 1, 4, 0, 1, 3, 8, 124, 11, 0, 0, 0, 0x95, 0x0F, 0, 0},
     {8, 3989, 2, 8, 4, 11, 0, false}},
    {{512, 16, 512, 8, 4},
     {0x80, 3, 4, 0, 1, 3, 8, 249, 27, 0, 0, 0, 0x25, 0x1F, 0, 0},
     {16, 7973, 2, 8, 4, 27, 0, false}},
    {{1024, 16, 512, 16, 4},
     {0x80, 1, 10, 0, 1, 3, 16, 249, 25, 0, 0, 0, 0x67, 0x3E, 0, 0},
     {16, 15975, 3, 16, 4, 25, 0, false}},
    {{1024, 32, 512, 16, 4},
     {0x80, 2, 10, 0, 1, 3, 0x50, 243, 41, 0, 0, 0, 0xD7, 0x7C, 0, 0},
     {32, 31959, 3, 16, 4, 41, 0, false}},
    {{2048, 32, 512, 16, 8},
     {0x80, 2, 4, 0, 1, 7, 0x50, 243, 35, 0, 0, 0, 0xDD, 0xF9, 0, 0},
     {32, 63965, 6, 16, 8, 35, 0, false}},
    {{4096, 32, 512, 32, 8},
     {0x80, 1, 24, 0, 1, 7, 0x60, 243, 55, 0, 0, 0, 0xC9, 0xF3, 0x01, 0},
     {32, 0, 12, 32, 8, 55, 127945, false}},
    {{8192, 32, 512, 32, 16},
     {0x80, 1, 16, 0, 6, 15, 0x60, 243, 47, 0, 0, 0, 0xD1, 0xE7, 0x03, 0},
     {32, 0, 32, 32, 16, 47, 255953, true}},
}};

std::optional<Capacity> CapacityOf(uint8_t device) {
    switch (device) {
        case 0x6E:
        case 0xEC:
            return Capacity::k1MB;
        case 0x64:
        case 0xEA:
            return Capacity::k2MB;
        case 0x6B:
        case 0xE3:
        case 0xE5:
            return Capacity::k4MB;
        case 0x6D:
        case 0xE6:
            return Capacity::k8MB;
        case 0x73:
            return Capacity::k16MB;
        case 0x75:
            return Capacity::k32MB;
        case 0x76:
            return Capacity::k64MB;
        case 0x79:
            return Capacity::k128MB;
        default:
            return std::nullopt;
    }
}

// The device codes each maker is known to ship; 0xEC/0xA4 is known but has no geometry.
bool Accepted(uint8_t maker, uint8_t device) {
    switch (maker) {
        case 0xEC:
            return device != 0xEC && device != 0x6B && CapacityOf(device).has_value();
        case 0x98:
            return device != 0xE3 && CapacityOf(device).has_value();
        default:
            return false;
    }
}

}  // namespace

const std::array<uint8_t, kCisDataBytes> kCisData{
    0x01, 0x03, 0xD9, 0x01, 0xFF, 0x18, 0x02, 0xDF, 0x01, 0x20, 0x04, 0x00, 0x00, 0x00, 0x00, 0x21,
    0x02, 0x04, 0x01, 0x22, 0x02, 0x01, 0x01, 0x22, 0x03, 0x02, 0x04, 0x07, 0x1A, 0x05, 0x01, 0x03,
    0x00, 0x02, 0x0F, 0x1B, 0x08, 0xC0, 0xC0, 0xA1, 0x01, 0x55, 0x08, 0x00, 0x20, 0x1B, 0x0A, 0xC1,
    0x41, 0x99, 0x01, 0x55, 0x64, 0xF0, 0xFF, 0xFF, 0x20, 0x1B, 0x0C, 0x82, 0x41, 0x18, 0xEA, 0x61,
    0xF0, 0x01, 0x07, 0xF6, 0x03, 0x01, 0xEE, 0x1B, 0x0C, 0x83, 0x41, 0x18, 0xEA, 0x61, 0x70, 0x01,
    0x07, 0x76, 0x03, 0x01, 0xEE, 0x15, 0x14, 0x05, 0x00, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x00, 0x20, 0x20, 0x20, 0x20, 0x00, 0x30, 0x2E, 0x30, 0x00, 0xFF, 0x14, 0x00, 0xFF};

std::optional<CardLayout> LookupCard(uint8_t maker, uint8_t device) {
    if (!Accepted(maker, device))
        return std::nullopt;
    return kLayouts[static_cast<size_t>(*CapacityOf(device))];
}

}  // namespace kivo::link
