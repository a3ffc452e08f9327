#include "platform/win/collate.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

// Next code point of UTF-8 text; a byte that starts no valid sequence stands for itself.
char32_t NextCodePoint(std::string_view s, size_t& i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length <= 1 || i + length > s.size()) {
        ++i;
        return lead;
    }
    char32_t c = lead & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    i += length;
    return c;
}

bool IsUpper(char32_t c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char32_t c) {
    return c >= 'a' && c <= 'z';
}

// The alphabetic weight: class first (symbols, digits, letters, everything beyond ASCII),
// then the character with its case folded.
std::pair<int, char32_t> Weight(char32_t c) {
    if (IsUpper(c))
        c = c - 'A' + 'a';
    if (IsLower(c))
        return {2, c};
    if (c >= '0' && c <= '9')
        return {1, c};
    if (c < 0x80)
        return {0, c};
    return {3, c};
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

int lstrcmpA(const char* first, const char* second) {
    std::string_view a = first ? first : "";
    std::string_view b = second ? second : "";
    int caseOrder = 0;
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t ca = NextCodePoint(a, i);
        char32_t cb = NextCodePoint(b, j);
        auto wa = Weight(ca), wb = Weight(cb);
        if (wa != wb)
            return wa < wb ? -1 : 1;
        if (caseOrder == 0 && ca != cb)
            caseOrder = IsLower(ca) ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    if (caseOrder != 0)
        return caseOrder;
    return Sign(a.compare(b));
}
