#include "platform/resources/library.h"
#include "platform/resources/pack.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using kivo::resources::ParsedPack;
using kivo::resources::ParsePack;

// Every identifier that kivodesk or dialbook reads from its language library.
std::vector<UINT> ProgramIdentifiers() {
    std::vector<UINT> ids;
    auto range = [&](UINT first, UINT last) {
        for (UINT id = first; id <= last; ++id)
            ids.push_back(id);
    };
    // kivodesk: menus, labels, column titles and tool-button hints
    range(10000, 10013);
    range(10020, 10026);
    range(10031, 10033);
    range(10040, 10041);
    range(10050, 10055);
    range(10057, 10057);
    range(10060, 10065);
    range(10070, 10080);
    range(10800, 10809);
    // kivodesk: status messages, the panels, the dialogs
    range(10110, 10120);
    range(10124, 10146);
    range(10151, 10155);
    // kivodesk: copying both ways, delete and format
    for (UINT id : {10412u, 10416u, 10420u, 10421u, 10424u, 10425u, 10426u, 10428u, 10433u})
        ids.push_back(id);
    range(10438, 10441);
    range(10701, 10704);
    // dialbook (10923 is read by neither program)
    range(10900, 10922);
    range(10924, 10926);
    // dialbook: messages about its files and settings
    range(10927, 10938);
    return ids;
}

// Format texts and how many values the program fills into each.
const std::map<UINT, int> kFormats = {
    {10120, 1},  // line break
    {10125, 2},  // file name, line break
    {10126, 1},  // line break
    {10139, 1},  // line break
    {10140, 1},  // line break
    {10420, 2},  // file name, line break
    {10439, 2},  // file name, line break
    {10441, 2},  // file name, line break
    {10701, 2},  // file name, line break
    {10704, 2},  // file name, line break
    {10924, 1},  // path
    {10926, 1},  // path
    {10927, 3},  // path, line break, reason
    {10928, 3},  // path, line break, reason
    {10929, 3},  // path, line break, reason
    {10930, 3},  // path, line break, reason
    {10933, 1},  // number of entries
    {10934, 3},  // settings file, line break, reason
    {10935, 2},  // path, line break
    {10936, 1},  // number of entries
    {10937, 1},  // path
};

// The numbers of the placeholders %1..%9 in a text; %% is a plain percent sign. A lone "%"
// before anything else is reported as 0, which no text may hold.
std::set<int> Placeholders(const std::string& text) {
    std::set<int> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (next == '%') {
            ++i;
        } else if (next >= '1' && next <= '9') {
            found.insert(next - '0');
            ++i;
        } else {
            found.insert(0);
        }
    }
    return found;
}

struct Language {
    const char* library;
    const char* file;
};

const Language kLanguages[] = {{"textpacken.DLL", "textpacken.pack"},
                               {"textpackkr.DLL", "textpackkr.pack"}};

class Packs : public ::testing::Test {
protected:
    // The packs the build placed beside the programs, whatever the caller's environment says.
    void SetUp() override { ::setenv("KIVO_PACK_DIR", KIVO_BUILT_PACKS, 1); }
    void TearDown() override { ::unsetenv("KIVO_PACK_DIR"); }
};

TEST_F(Packs, BothLanguagesHoldEveryIdentifierTheProgramsRead) {
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.library);
        ResourceLibrary pack(language.library);
        ASSERT_TRUE(pack) << LastResourceError();
        for (UINT id : ProgramIdentifiers()) {
            char buffer[1024];
            int length = LoadResourceString(pack.handle(), id, buffer, sizeof buffer);
            EXPECT_GT(length, 0) << id << " is missing or empty";
            // A text the 1024-byte buffer cuts would lose its end.
            EXPECT_LT(length, 1023) << id << " is too long";
        }
    }
}

TEST_F(Packs, BothLanguagesHoldTheSameIdentifiersAndNoOthers) {
    std::set<uint16_t> expected;
    for (UINT id : ProgramIdentifiers())
        expected.insert(static_cast<uint16_t>(id));
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.file);
        std::ifstream in(std::string(KIVO_PACK_SOURCES) + "/" + language.file, std::ios::binary);
        ASSERT_TRUE(in);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ParsedPack parsed = ParsePack(text);
        ASSERT_EQ(parsed.error, "");
        std::set<uint16_t> held;
        for (const auto& [id, value] : parsed.strings)
            held.insert(id);
        EXPECT_EQ(held, expected);
    }
}

TEST_F(Packs, FormatTextsHoldExactlyTheirPlaceholdersInBothLanguages) {
    ResourceLibrary english(kLanguages[0].library);
    ResourceLibrary korean(kLanguages[1].library);
    ASSERT_TRUE(english);
    ASSERT_TRUE(korean);
    for (UINT id : ProgramIdentifiers()) {
        SCOPED_TRACE(id);
        std::set<int> inEnglish = Placeholders(english.String(id));
        std::set<int> inKorean = Placeholders(korean.String(id));
        EXPECT_EQ(inEnglish, inKorean);
        std::set<int> expected;
        if (auto format = kFormats.find(id); format != kFormats.end())
            for (int n = 1; n <= format->second; ++n)
                expected.insert(n);
        EXPECT_EQ(inEnglish, expected);
    }
}

TEST_F(Packs, WebLinkItemsAreAddressesOfTheSuitesSite) {
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.library);
        ResourceLibrary pack(language.library);
        ASSERT_TRUE(pack);
        for (UINT id : {10050u, 10051u, 10052u, 10053u, 10054u, 10055u, 10057u}) {
            std::string address = pack.String(id);
            EXPECT_EQ(address.rfind("https://www.kivo.example/", 0), 0u) << id << ": " << address;
            EXPECT_EQ(address.find_first_of(" &\t\r\n"), std::string::npos) << id;
        }
    }
}

// ---- artpack ----

enum class Kind { Opaque, Alpha, Sixteen };

struct Bitmap {
    const char* name;
    int width;
    int height;
    Kind kind;
};

const Bitmap kBitmaps[] = {
    {"256MENU", 100, 20, Kind::Alpha},      {"016MENU", 100, 20, Kind::Sixteen},
    {"256STAT", 111, 117, Kind::Opaque},    {"016STAT", 111, 117, Kind::Sixteen},
    {"256BALL", 11, 11, Kind::Opaque},      {"016BALL", 11, 11, Kind::Sixteen},
    {"KRLOGO", 429, 299, Kind::Opaque},     {"ENLOGO", 429, 299, Kind::Opaque},
    {"HDRFLASHOFF", 298, 20, Kind::Opaque}, {"HDRFLASHON", 298, 20, Kind::Opaque},
    {"HDRCARDOFF", 298, 20, Kind::Opaque},  {"HDRCARDON", 298, 20, Kind::Opaque},
    {"STATUSBG", 476, 117, Kind::Opaque},   {"BTNCONNECT", 20, 20, Kind::Alpha},
    {"BTNCOPYFLASH", 20, 20, Kind::Alpha},  {"BTNCOPYCARD", 20, 20, Kind::Alpha},
    {"BTNCOPYPC", 20, 20, Kind::Alpha},     {"BTNTRASH", 20, 20, Kind::Alpha},
    {"BTNSTOP", 20, 20, Kind::Alpha},       {"BTNLARGEICON", 20, 20, Kind::Alpha},
    {"BTNSMALLICON", 20, 20, Kind::Alpha},  {"BTNLISTICON", 20, 20, Kind::Alpha},
    {"BTNREPORTICON", 20, 20, Kind::Alpha}, {"FILE0LARGE", 32, 32, Kind::Alpha},
    {"FILE0SMALL", 16, 16, Kind::Alpha},    {"FILE3LARGE", 32, 32, Kind::Alpha},
    {"FILE3SMALL", 16, 16, Kind::Alpha},
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

QImage Decoded(const std::vector<uint8_t>& bytes) {
    return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
}

TEST_F(Packs, EveryBitmapIsAValidBmpOfItsSizeAndKind) {
    ResourceLibrary art("artpack.DLL");
    ASSERT_TRUE(art) << LastResourceError();
    for (const Bitmap& bitmap : kBitmaps) {
        SCOPED_TRACE(bitmap.name);
        auto bytes = art.Bitmap(bitmap.name);
        ASSERT_TRUE(bytes.has_value());
        const std::vector<uint8_t>& b = *bytes;
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(U32(b, 2), b.size());
        uint32_t headerSize = U32(b, 14);
        EXPECT_EQ(static_cast<int32_t>(U32(b, 18)), bitmap.width);
        EXPECT_EQ(static_cast<int32_t>(U32(b, 22)), bitmap.height);
        uint32_t bits = U16(b, 28);
        uint32_t stride = (bitmap.width * bits + 31) / 32 * 4;
        EXPECT_EQ(U32(b, 10) + stride * bitmap.height, b.size());
        switch (bitmap.kind) {
            case Kind::Opaque:
                EXPECT_EQ(bits, 24u);
                break;
            case Kind::Alpha:
                EXPECT_EQ(bits, 32u);
                ASSERT_GE(headerSize, 108u);
                EXPECT_EQ(U32(b, 30), 3u);                // bit fields
                EXPECT_EQ(U32(b, 14 + 52), 0xFF000000u);  // the alpha mask
                break;
            case Kind::Sixteen:
                EXPECT_EQ(bits, 4u);
                EXPECT_EQ(U32(b, 46), 16u);
                break;
        }

        QImage image = Decoded(b);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(bitmap.width, bitmap.height));
        EXPECT_EQ(image.hasAlphaChannel(), bitmap.kind == Kind::Alpha);
        if (bitmap.kind == Kind::Alpha) {
            // Transparent round the picture, something opaque in it.
            EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
            bool opaque = false;
            for (int y = 0; y < image.height() && !opaque; ++y)
                for (int x = 0; x < image.width() && !opaque; ++x)
                    opaque = qAlpha(image.pixel(x, y)) == 255;
            EXPECT_TRUE(opaque);
        }
    }
}

TEST_F(Packs, LitBallsSitSeamlesslyOnTheirWell) {
    ResourceLibrary art("artpack.DLL");
    ASSERT_TRUE(art);
    for (const char* depth : {"256", "016"}) {
        SCOPED_TRACE(depth);
        QImage well = Decoded(*art.Bitmap(std::string(depth) + "STAT"));
        QImage ball = Decoded(*art.Bitmap(std::string(depth) + "BALL"));
        ASSERT_FALSE(well.isNull());
        ASSERT_FALSE(ball.isNull());
        QRgb corner = ball.pixel(0, 0);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 6; ++c) {
                int x = 21 + 12 * c;
                int y = 29 + 12 * r;
                EXPECT_EQ(well.pixel(x, y), corner) << c << "," << r;
                EXPECT_EQ(well.pixel(x + 10, y + 10), corner) << c << "," << r;
            }
        // In 16 colours the bottom-left pixel's colour is the one keyed out: the ball must not
        // use it, nor the well round the balls.
        EXPECT_NE(ball.pixel(5, 5), corner);
        QRgb keyed = well.pixel(0, well.height() - 1);
        for (int y = 27; y < 103; ++y)
            for (int x = 19; x < 95; ++x)
                ASSERT_NE(well.pixel(x, y), keyed) << x << "," << y;
    }
}

TEST_F(Packs, LogosPrintTheAddressLightOnDarkWhereTheHotSpotLies) {
    struct Spot {
        const char* logo;
        int left;
        int width;
    };
    ResourceLibrary art("artpack.DLL");
    ASSERT_TRUE(art);
    for (Spot spot : {Spot{"KRLOGO", 271, 129}, Spot{"ENLOGO", 207, 193}}) {
        SCOPED_TRACE(spot.logo);
        QImage logo = Decoded(*art.Bitmap(spot.logo));
        ASSERT_FALSE(logo.isNull());
        int light = 0;
        int dark = 0;
        for (int y = 185; y < 185 + 17; ++y)
            for (int x = spot.left; x < spot.left + spot.width; ++x) {
                int lightness = QColor(logo.pixel(x, y)).lightness();
                light += lightness > 200;
                dark += lightness < 80;
            }
        EXPECT_GT(light, 100);
        EXPECT_GT(dark, light);
        // The address does not run out of the hot spot's right end.
        for (int y = 185; y < 185 + 17; ++y)
            for (int x = spot.left + spot.width; x < logo.width(); ++x)
                EXPECT_LT(QColor(logo.pixel(x, y)).lightness(), 200) << x << "," << y;
    }
}

}  // namespace
