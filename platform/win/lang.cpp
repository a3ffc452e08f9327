#include "platform/win/lang.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

uint16_t LangFromLocale(std::string_view locale) {
    auto starts = [&](std::string_view p) { return locale.substr(0, p.size()) == p; };
    if (starts("ko")) return 0x0412;
    if (starts("ja")) return 0x0411;
    if (starts("zh_TW") || starts("zh_HK")) return 0x0404;
    if (starts("zh_CN") || starts("zh_SG")) return 0x0804;
    return 0x0409;
}

std::string CodePageName(uint32_t codePage) {
    return codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage);
}

// Converts piece by piece; an input sequence that cannot be read or written becomes one "_".
std::string Convert(const std::string& from, const std::string& to, std::string_view in,
                    bool fromUtf8) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char buffer[256];
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, dst - buffer);
        if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // Skip the offending character: a whole UTF-8 sequence, or one byte of a code page.
        size_t skip = 1;
        if (fromUtf8) {
            while (skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
        }
        out.push_back('_');
        src += skip;
        left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

uint16_t GetSystemDefaultLangID() {
    if (const char* id = std::getenv("KIVO_LANGID"); id && *id) {
        return static_cast<uint16_t>(std::strtoul(id, nullptr, 16));
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* v = std::getenv(name); v && *v) return LangFromLocale(v);
    }
    return 0x0409;
}

uint32_t CodePageForLang(uint16_t langId) {
    switch (PrimaryLangOf(langId)) {
        case 0x12:
            return 949;
        case 0x11:
            return 932;
        case 0x04:
            // Taiwan, Hong Kong and Macau write traditional characters.
            return SubLangOf(langId) % 2 == 1 ? 950 : 936;
        default:
            return 1252;
    }
}

uint32_t GetACP() { return CodePageForLang(GetSystemDefaultLangID()); }

std::string ToCodePage(uint32_t codePage, std::string_view utf8) {
    return Convert("UTF-8", CodePageName(codePage), utf8, true);
}

std::string FromCodePage(uint32_t codePage, std::string_view bytes) {
    return Convert(CodePageName(codePage), "UTF-8", bytes, false);
}
