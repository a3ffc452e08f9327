#include "platform/wab/charset_label.h"

#include <gtest/gtest.h>

namespace kivo::wab {
namespace {

TEST(CharsetLabel, KoreanAndWindowsLabelsBecomeCodePagesOthersStay) {
    struct Case {
        const char* label;
        const char* name;
    };
    const Case cases[] = {
        {"ks_c_5601-1987", "CP949"},
        {"KS_C_5601-1987", "CP949"},
        {"ks_c_5601-1989", "CP949"},
        {"ks_c_5601", "CP949"},
        {"KSC_5601", "CP949"},
        {"korean", "CP949"},
        {"csKSC56011987", "CP949"},
        {"iso-ir-149", "CP949"},
        {"windows-949", "CP949"},
        {"x-windows-949", "CP949"},
        {"Windows-1252", "CP1252"},
        {"x-cp1250", "CP1250"},
        {"windows-932", "CP932"},
        {"UTF-8", "UTF-8"},
        {"ISO-8859-1", "ISO-8859-1"},
        {"euc-kr", "euc-kr"},
        {"windows-31j", "windows-31j"},
        {"windows-", "windows-"},
        {"x-windows-949x", "x-windows-949x"},
        {"ks_c_5601-1987x", "ks_c_5601-1987x"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IconvCharsetName(c.label), c.name) << c.label;
}

}  // namespace
}  // namespace kivo::wab
