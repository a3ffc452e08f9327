#include "link/cardformat/format_image.h"

#include "link/cardformat/card_tables.h"
#include "link/cardformat/smartmedia_ecc.h"
#include "link/common/pc_file.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace kivo::link {

namespace {

constexpr unsigned kSectorBytes = 512;
constexpr unsigned kRedundantBytes = 16;
constexpr unsigned kRootDirectorySectors = 256 * 32 / kSectorBytes;
constexpr unsigned kLogicalBlocks = 1000;
constexpr unsigned kMaxBlocksWithAddresses = 2048;

// One sector as stored: 512 data bytes followed by its redundant area.
struct Sector {
    std::array<uint8_t, kSectorBytes + kRedundantBytes> bytes{};
    uint8_t* data() { return bytes.data(); }
    uint8_t* redundant() { return bytes.data() + kSectorBytes; }

    // Redundant area of a valid sector: status bytes, the block address twice, both ECCs.
    void Seal(uint16_t blockAddress) {
        uint8_t* r = redundant();
        std::memset(r, 0xFF, 6);
        r[6] = r[11] = static_cast<uint8_t>(blockAddress >> 8);
        r[7] = r[12] = static_cast<uint8_t>(blockAddress & 0xFF);
        const auto high = SmartMediaEcc(data() + 256);
        const auto low = SmartMediaEcc(data());
        std::memcpy(r + 8, high.data(), 3);
        std::memcpy(r + 13, low.data(), 3);
    }
};

class PageWriter {
public:
    PageWriter(std::FILE* file, const CardGeometry& geometry) : file_(file), geometry_(geometry) {}

    bool ok() const { return ok_; }

    void Write(const uint8_t* bytes, size_t count) {
        if (ok_ && std::fwrite(bytes, 1, count, file_) != count)
            ok_ = false;
    }

    // A sector is one large page, or two small pages each with half of the redundant area.
    void WriteSector(Sector& sector) {
        if (!geometry_.smallPage()) {
            Write(sector.bytes.data(), sector.bytes.size());
            return;
        }
        Write(sector.data(), 256);
        Write(sector.redundant(), 8);
        Write(sector.data() + 256, 256);
        Write(sector.redundant() + 8, 8);
    }

    // A page of one fill byte for its data, `redundant` for its redundant area.
    void WritePage(uint8_t fill, const uint8_t* redundant) {
        std::array<uint8_t, 512 + kRedundantBytes> page;
        std::memset(page.data(), fill, geometry_.pageDataBytes);
        std::memcpy(page.data() + geometry_.pageDataBytes, redundant,
                    geometry_.pageRedundantBytes());
        Write(page.data(), geometry_.pageBytes());
    }

private:
    std::FILE* file_;
    const CardGeometry& geometry_;
    bool ok_ = true;
};

uint16_t BlockAddress(unsigned block) {
    uint16_t value = static_cast<uint16_t>(0x1000 + 2 * block);
    if (std::popcount(value) & 1)
        value |= 1;
    return value;
}

void WriteLE(uint8_t* at, uint32_t value, unsigned width) {
    for (unsigned i = 0; i < width; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void FillBootSector(uint8_t* data, const BootSectorValues& boot) {
    data[0] = 0xE9;
    std::memset(data + 3, ' ', 8);
    WriteLE(data + 11, kSectorBytes, 2);
    data[13] = boot.sectorsPerCluster;
    WriteLE(data + 14, 1, 2);
    data[16] = 2;
    WriteLE(data + 17, 256, 2);
    WriteLE(data + 19, boot.totalSectors16, 2);
    data[21] = 0xF8;
    WriteLE(data + 22, boot.sectorsPerFat, 2);
    WriteLE(data + 24, boot.sectorsPerTrack, 2);
    WriteLE(data + 26, boot.heads, 2);
    WriteLE(data + 28, boot.hiddenSectors, 4);
    WriteLE(data + 32, boot.totalSectors32, 4);
    std::memcpy(data + 54, boot.fat16 ? "FAT16   " : "FAT12   ", 8);
}

void WriteInvalidBlock(PageWriter& out, const CardGeometry& g) {
    if (g.smallPage()) {
        const uint8_t zeroPage[8] = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        const uint8_t badPage[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF};
        out.WritePage(0x00, zeroPage);
        out.WritePage(0x00, zeroPage);
        for (unsigned page = 2; page < g.pagesPerBlock; page += 2)
            out.WritePage(0xFF, badPage);
        return;
    }
    uint8_t zeroPage[kRedundantBytes] = {};
    std::memset(zeroPage + 9, 0xFF, kRedundantBytes - 9);
    uint8_t badPage[kRedundantBytes];
    std::memset(badPage, 0xFF, sizeof badPage);
    badPage[5] = 0x00;
    out.WritePage(0x00, zeroPage);
    out.WritePage(0x00, zeroPage);
    for (unsigned page = 2; page < g.pagesPerBlock; ++page)
        out.WritePage(0xFF, badPage);
}

void WriteCisBlock(PageWriter& out, const CardGeometry& g) {
    Sector cis;
    std::memcpy(cis.data(), kCisData.data(), kCisData.size());
    std::memcpy(cis.data() + 256, kCisData.data(), kCisData.size());
    cis.Seal(0x0000);
    out.WriteSector(cis);
    if (!g.smallPage())
        out.WriteSector(cis);
    uint8_t blank[kRedundantBytes];
    std::memset(blank, 0xFF, sizeof blank);
    for (unsigned page = 2; page < g.pagesPerBlock; ++page)
        out.WritePage(0xFF, blank);
}

void WriteImage(PageWriter& out, const CardLayout& card) {
    const CardGeometry& g = card.geometry;
    const auto& entry = card.partitionEntry;
    const unsigned startHead = entry[1];
    const unsigned startSector = entry[2] & 0x3F;
    const unsigned startCylinder = entry[3] | ((entry[2] & 0xC0u) << 2);
    const unsigned partitionStart =
        (startCylinder * g.heads + startHead) * g.sectorsPerTrack + startSector - 1;
    const unsigned fatSectors = card.boot.sectorsPerFat;
    const unsigned firstFat = partitionStart + 1;
    const unsigned secondFat = firstFat + fatSectors;
    const unsigned end = secondFat + fatSectors + kRootDirectorySectors;

    // The largest cards leave their block addresses at zero.
    std::array<uint16_t, kLogicalBlocks> addresses{};
    if (g.blocks <= kMaxBlocksWithAddresses) {
        for (unsigned b = 0; b < kLogicalBlocks; ++b)
            addresses[b] = BlockAddress(b);
    }

    WriteInvalidBlock(out, g);
    WriteCisBlock(out, g);

    Sector sector;
    for (unsigned i = 0; i < end && out.ok(); ++i) {
        uint8_t* data = sector.data();
        std::memset(data, 0, kSectorBytes);
        if (i == 0) {
            std::memcpy(data + 446, entry.data(), entry.size());
            data[510] = 0x55;
            data[511] = 0xAA;
        } else if (i < partitionStart) {
            std::memset(data, 0xFF, kSectorBytes);
        } else if (i == partitionStart) {
            FillBootSector(data, card.boot);
            data[510] = 0x55;
            data[511] = 0xAA;
        } else if (i == firstFat || i == secondFat) {
            const uint8_t start[4] = {0xF8, 0xFF, 0xFF,
                                      static_cast<uint8_t>(card.boot.fat16 ? 0xFF : 0x00)};
            std::memcpy(data, start, sizeof start);
        }
        const unsigned block = i / g.sectorsPerBlock();
        sector.Seal(block < kLogicalBlocks ? addresses[block] : 0);
        out.WriteSector(sector);
    }
}

}  // namespace

int32_t BuildFormatImageAt(const std::filesystem::path& path, uint8_t maker, uint8_t device) {
    PcFile file = PcFile::Open(path.c_str(), "wb");
    if (!file)
        return kFormatImageCannotCreate;
    const auto card = LookupCard(maker, device);
    if (!card)
        return file.Close() ? 0 : kFormatImageCannotCreate;

    PageWriter out(file.get(), card->geometry);
    WriteImage(out, *card);
    const bool complete = out.ok();
    if (!file.Close() || !complete) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return kFormatImageCannotCreate;
    }
    return 0;
}

}  // namespace kivo::link
