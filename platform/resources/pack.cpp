#include "platform/resources/pack.h"

#include "platform/win/escapes.h"

namespace kivo::resources {

namespace {

// Whole UTF-8 sequences only: a translator's editor saving in another encoding shows here.
bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t length = c < 0x80           ? 1
                        : (c >> 5) == 0x6  ? 2
                        : (c >> 4) == 0xE  ? 3
                        : (c >> 3) == 0x1E ? 4
                                           : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || (length == 4 && c > 0xF4) ||
            i + length > s.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

bool ParseId(std::string_view digits, uint16_t& id) {
    if (digits.empty() || digits.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFFFF)
        return false;
    id = static_cast<uint16_t>(value);
    return true;
}

constexpr kivo::win::Escape kPackEscapes[] = {{'r', '\r'}, {'n', '\n'}, {'t', '\t'}};

}  // namespace

ParsedPack ParsePack(std::string_view text) {
    ParsedPack pack;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    int number = 0;
    auto fail = [&](const std::string& what) {
        pack.strings.clear();
        pack.error = "line " + std::to_string(number) + ": " + what;
        return pack;
    };
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        std::string_view line = text.substr(pos, eol == std::string_view::npos ? eol : eol - pos);
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (!IsUtf8(line))
            return fail("not UTF-8 text");
        size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            return fail("no tab between identifier and text");
        uint16_t id = 0;
        if (!ParseId(line.substr(0, tab), id))
            return fail("identifier is not a number 0 to 65535");
        std::string value;
        if (!kivo::win::UnescapeBytes(line.substr(tab + 1), kPackEscapes, value))
            return fail("unknown escape (use \\r, \\n, \\t or \\\\)");
        if (!pack.strings.emplace(id, std::move(value)).second)
            return fail("identifier " + std::to_string(id) + " given twice");
    }
    return pack;
}

}  // namespace kivo::resources
