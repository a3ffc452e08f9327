// Files in the shapes that exporters write, each read through the bridge as the telephone book
// reads an address book.
#include "addressbridge/tests/bridge_fixture.h"

#include <array>
#include <cstdlib>
#include <filesystem>

namespace kivo::wab {
namespace {

using ExporterFiles = BridgeTest;
using RowList = std::vector<std::array<std::string, 3>>;

// The same cards written with different line ends, and in both byte orders of UTF-16.
const RowList kLineEndRows = {{"Lee Ann", "555-0101", "555-0102"}, {"van Dyke Jo", "", "555-0202"}};
const RowList kUtf16Rows = {{"Müller Jörg", "555-0101", ""}, {"François René", "", "555-0202"}};

TEST_F(ExporterFiles, GiveTheRowsOfTheirContacts) {
    struct Case {
        const char* file;
        const char* langId;
        RowList rows;
    };
    const Case cases[] = {
        {"korean-charset-labels.vcf",
         "0412",
         {{"김 민수", "02-123-4567", "02-765-4321"},
          {"이 영희", "", ""},
          {"박 지성", "", ""},
          {"최 똠", "", ""},
          {"정 수아", "", ""},
          {"강 하늘", "", ""},
          {"조 민", "", ""},
          {"윤 서", "", ""},
          {"장 미", "", ""},
          {"임 호", "", ""}}},
        {"windows-charset-labels.vcf",
         "0409",
         {{"Müller Jörg", "1", ""}, {"François René", "", ""}, {"Gómez Ana", "", ""}}},
        {"line-ends-cr-cr-lf.vcf", "0409", kLineEndRows},
        {"line-ends-cr.vcf", "0409", kLineEndRows},
        {"line-ends-mixed.vcf", "0409", kLineEndRows},
        {"joined-exports.vcf",
         "0409",
         {{"Lee Ann", "1", ""}, {"Kim Jo", "", "2"}, {"Park Mi", "", ""}}},
        {"utf16le.vcf", "0409", kUtf16Rows},
        {"utf16be.vcf", "0409", kUtf16Rows},
        {"grouped-begin.vcf",
         "0409",
         {{"Lee Ann", "1", ""}, {"Kim Jo", "", ""}, {"Park Mi", "", "2"}}},
        {"evolution-list.vcf", "0409", {{"Lee Ann", "1", ""}, {"Kim Jo", "", ""}}},
        {"fax-and-pager-numbers.vcf",
         "0409",
         {{"Lee Ann", "555-0101", "555-0102"},
          {"Kim Jo", "", "4"},
          {"Park Mi", "6", "8"},
          {"Choi Su", "11", "10"},
          {"Jung Ha", "13", "15"}}},
    };
    for (const auto& c : cases) {
        ::setenv("KIVO_LANGID", c.langId, 1);
        EXPECT_EQ(AllocList((std::filesystem::path(KIVO_EXPORTER_FILES) / c.file).string()), 0);
        EXPECT_EQ(Rows(), c.rows) << c.file;
        EXPECT_EQ(FreeList(), 0);
    }
}

}  // namespace
}  // namespace kivo::wab
