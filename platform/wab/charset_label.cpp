#include "platform/wab/charset_label.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace kivo::wab {

namespace {

std::string LowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Windows writes code page 949 under the name of the older standard it extends; these are
// that name, its registered aliases and the short forms exporters use.
constexpr std::array<std::string_view, 9> kKoreanLabels = {
    "ks_c_5601-1987", "ks_c_5601-1989", "ks_c_5601",  "ksc_5601", "ksc5601",
    "korean",         "csksc56011987",  "iso-ir-149", "ms949"};

// The digits after a prefix, when the rest of the label is nothing else.
std::string_view CodePageAfter(std::string_view label, std::string_view prefix) {
    if (label.substr(0, prefix.size()) != prefix)
        return {};
    std::string_view digits = label.substr(prefix.size());
    bool allDigits =
        !digits.empty() && digits.size() <= 5 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    return allDigits ? digits : std::string_view();
}

}  // namespace

std::string IconvCharsetName(std::string_view label) {
    std::string lower = LowerCase(label);
    if (std::find(kKoreanLabels.begin(), kKoreanLabels.end(), lower) != kKoreanLabels.end())
        return "CP949";
    std::string_view name = lower;
    if (name.substr(0, 2) == "x-")
        name.remove_prefix(2);
    for (std::string_view prefix : {"windows-", "cp"})
        if (std::string_view digits = CodePageAfter(name, prefix); !digits.empty())
            return "CP" + std::string(digits);
    return std::string(label);
}

}  // namespace kivo::wab
