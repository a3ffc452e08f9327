#include "platform/win/lang.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// "language[_TERRITORY][.codeset][@modifier]": only the whole language code counts, so
// "kok_IN" is not Korean.
uint16_t LangFromLocale(std::string_view locale) {
    std::string_view name = locale.substr(0, locale.find_first_of(".@"));
    std::string_view language = name.substr(0, name.find('_'));
    std::string_view territory =
        name.size() > language.size() ? name.substr(language.size() + 1) : std::string_view();
    if (language == "ko")
        return 0x0412;
    if (language == "ja")
        return 0x0411;
    if (language == "zh" && (territory == "TW" || territory == "HK"))
        return 0x0404;
    if (language == "zh" && (territory == "CN" || territory == "SG"))
        return 0x0804;
    return 0x0409;
}

// One to four hexadecimal digits, nothing else.
bool ParseLangId(std::string_view text, uint16_t& id) {
    if (text.empty() || text.size() > 4)
        return false;
    unsigned value = 0;
    for (char c : text) {
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    id = static_cast<uint16_t>(value);
    return true;
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

std::string CodePageName(uint32_t codePage) {
    return codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage);
}

// Converts chunk by chunk; an input sequence that cannot be read or written becomes one "_".
std::string ConvertWith(const Converter& converter, std::string_view in, bool fromUtf8) {
    iconv_t cd = converter.get();
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
        if (r != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // Skip the offending character: a whole UTF-8 sequence, or one byte of a code page.
        size_t skip = 1;
        if (fromUtf8) {
            while (skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80)
                ++skip;
        }
        out.push_back('_');
        src += skip;
        left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::string Convert(const std::string& from, const std::string& to, std::string_view in,
                    bool fromUtf8) {
    Converter converter(to, from);
    if (!converter.ok())
        return std::string(in);
    return ConvertWith(converter, in, fromUtf8);
}

}  // namespace

uint16_t GetSystemDefaultLangID() {
    uint16_t id = 0;
    if (const char* text = std::getenv("KIVO_LANGID"); text && ParseLangId(text, id))
        return id;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* v = std::getenv(name); v && *v)
            return LangFromLocale(v);
    }
    return 0x0409;
}

uint32_t CodePageForLang(uint16_t langId) {
    switch (PrimaryLangOf(langId)) {
        case kLangKorean:
            return 949;
        case kLangJapanese:
            return 932;
        case kLangChinese:
            // Taiwan, Hong Kong and Macau write traditional characters.
            return SubLangOf(langId) % 2 == 1 ? 950 : 936;
        default:
            return 1252;
    }
}

uint32_t GetACP() {
    return CodePageForLang(GetSystemDefaultLangID());
}

std::string ToCodePage(uint32_t codePage, std::string_view utf8) {
    return Convert("UTF-8", CodePageName(codePage), utf8, true);
}

std::string FromCodePage(uint32_t codePage, std::string_view bytes) {
    return Convert(CodePageName(codePage), "UTF-8", bytes, false);
}

std::optional<std::string> CharsetToUtf8(std::string_view charset, std::string_view bytes) {
    Converter converter("UTF-8", std::string(charset));
    if (!converter.ok())
        return std::nullopt;
    return ConvertWith(converter, bytes, false);
}

bool IsDBCSLeadByteEx(uint32_t codePage, uint8_t byte) {
    switch (codePage) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        default:
            return false;
    }
}

bool IsValidUtf8(std::string_view bytes) {
    // A conversion to itself changes exactly the bytes that are not well formed.
    return ToCodePage(65001, bytes) == bytes;
}
