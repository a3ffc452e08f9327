#include "platform/resources/library.h"

#include "platform/win/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class Resources : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KIVO_PACK_DIR", KIVO_TEST_PACKS, 1); }
    void TearDown() override { ::unsetenv("KIVO_PACK_DIR"); }
};

}  // namespace

TEST_F(Resources, StringsByIdentifier) {
    ResourceLibrary english("textpacken.DLL");
    ASSERT_TRUE(english) << LastResourceError();
    EXPECT_EQ(english.String(10000), "&File");
    EXPECT_EQ(english.String(10120), "Error %s\r\nPlease check the connection.");
    EXPECT_EQ(english.String(10201), "Tab\there, backslash \\ here");
    EXPECT_EQ(english.String(10200), "");
    EXPECT_EQ(english.String(10999), "");
    EXPECT_EQ(english.String(0x10000 + 10000), "");

    ResourceLibrary korean("TEXTPACKKR.dll");
    ASSERT_TRUE(korean) << LastResourceError();
    EXPECT_EQ(korean.String(10001), "\xEC\x97\xB0\xEA\xB2\xB0");
    EXPECT_NE(korean.handle(), english.handle());
}

TEST_F(Resources, StringsAreCutToTheBufferAtACharacterBoundary) {
    ResourceLibrary korean("textpackkr.DLL");
    ASSERT_TRUE(korean);
    char buffer[8];
    // "파일(&F)": two three-byte characters, then four bytes.
    EXPECT_EQ(LoadResourceString(korean.handle(), 10000, buffer, 8), 7);
    EXPECT_STREQ(buffer, "\xED\x8C\x8C\xEC\x9D\xBC(");
    EXPECT_EQ(LoadResourceString(korean.handle(), 10000, buffer, 6), 3);
    EXPECT_STREQ(buffer, "\xED\x8C\x8C");
    EXPECT_EQ(LoadResourceString(korean.handle(), 10000, buffer, 3), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadResourceString(korean.handle(), 10000, buffer, 0), 0);
    EXPECT_EQ(LoadResourceString(korean.handle(), 10000, nullptr, 8), 0);
}

TEST_F(Resources, LongStringsGiveAtMost1023Bytes) {
    fs::path dir = fs::temp_directory_path() / ("kivo-packs-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string ascii(2000, 'x');
    std::string hangul;
    for (int i = 0; i < 400; ++i)
        hangul += "\xEA\xB0\x80";
    std::ofstream(dir / "long.pack")
        << "1\t" << ascii << "\n2\t" << hangul << "\n3\ta" << hangul << "\n";
    ::setenv("KIVO_PACK_DIR", dir.c_str(), 1);
    ResourceLibrary pack("long.DLL");
    ASSERT_TRUE(pack) << LastResourceError();
    EXPECT_EQ(pack.String(1), ascii.substr(0, 1023));
    EXPECT_EQ(pack.String(2), hangul.substr(0, 1023));
    EXPECT_EQ(pack.String(3), std::string("a").append(hangul, 0, 1020));
    fs::remove_all(dir);
}

TEST_F(Resources, BitmapsByNameInAnyCase) {
    ResourceLibrary art("artpack.DLL");
    ASSERT_TRUE(art) << LastResourceError();
    auto menu = art.Bitmap("256MENU");
    ASSERT_TRUE(menu.has_value());
    EXPECT_EQ(menu->size(), 58u);
    EXPECT_EQ((*menu)[0], 'B');
    EXPECT_EQ(art.Bitmap("enlogo"), art.Bitmap("ENLOGO"));
    EXPECT_EQ(art.Bitmap("KRLOGO"), std::nullopt);
    EXPECT_EQ(art.Bitmap("../textpacken"), std::nullopt);
    EXPECT_EQ(art.Bitmap(""), std::nullopt);
    EXPECT_EQ(art.String(10000), "");  // an image pack holds no texts
    ResourceLibrary english("textpacken.DLL");
    EXPECT_EQ(english.Bitmap("256MENU"), std::nullopt);
}

TEST_F(Resources, MissingLibraryGivesHandleZeroAndEmptyTexts) {
    for (const char* name : {"missing.DLL", "../packs/textpacken.DLL", "", ".dll", "..", "/tmp"}) {
        SCOPED_TRACE(name);
        ResourceLibrary missing(name);
        EXPECT_FALSE(missing);
        EXPECT_EQ(missing.handle(), nullptr);
        EXPECT_FALSE(LastResourceError().empty());
        EXPECT_EQ(missing.String(10000), "");
        EXPECT_EQ(missing.Bitmap("256MENU"), std::nullopt);
    }
    EXPECT_EQ(ResourceString(nullptr, 10000), "");
    EXPECT_EQ(ResourceString(reinterpret_cast<HMODULE>(0x1234), 10000), "");
}

TEST_F(Resources, AFaultyPackDoesNotLoadAndSaysWhere) {
    ResourceLibrary broken("broken.DLL");
    EXPECT_FALSE(broken);
    EXPECT_NE(LastResourceError().find("broken.pack: line 2: no tab"), std::string::npos)
        << LastResourceError();
}

TEST_F(Resources, FreedHandlesReadNothingAndMovedOwnersFreeOnce) {
    HMODULE h = LoadResourceLibrary("textpacken.DLL");
    ASSERT_NE(h, nullptr);
    FreeResourceLibrary(h);
    EXPECT_EQ(ResourceString(h, 10000), "");
    FreeResourceLibrary(h);
    FreeResourceLibrary(nullptr);

    ResourceLibrary a("textpacken.DLL");
    HMODULE kept = a.handle();
    ResourceLibrary b(std::move(a));
    EXPECT_EQ(b.handle(), kept);
    EXPECT_EQ(b.String(10001), "Connect");
    ResourceLibrary c;
    c = std::move(b);
    EXPECT_EQ(c.String(10001), "Connect");
}

TEST_F(Resources, SearchesThePackFolderThenTheProgramThenTheDataFolder) {
    auto path = PackSearchPath();
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path[0], fs::path(KIVO_TEST_PACKS));
    EXPECT_EQ(path[1], ProgramFolder());
    EXPECT_EQ(path[2], DataFolder());
    EXPECT_EQ(DataFolder().filename(), "kivo");
    ::unsetenv("KIVO_PACK_DIR");
    EXPECT_EQ(PackSearchPath().size(), 2u);
}
