#pragma once

#include "platform/win/api.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The system's default language identifier: primary language in the low 10 bits, sub-language
// above. From KIVO_LANGID (one to four hexadecimal digits; anything else is ignored) or else
// the first set locale variable of LC_ALL, LC_MESSAGES, LANG: ko 0x0412, ja 0x0411,
// zh_TW / zh_HK 0x0404, zh_CN / zh_SG 0x0804, otherwise 0x0409.
KIVO_WIN_API uint16_t GetSystemDefaultLangID();
inline constexpr uint16_t PrimaryLangOf(uint16_t langId) {
    return langId & 0x3FF;
}
inline constexpr uint16_t SubLangOf(uint16_t langId) {
    return langId >> 10;
}
// The primary languages the suite tells apart.
inline constexpr uint16_t kLangChinese = 0x04;
inline constexpr uint16_t kLangJapanese = 0x11;
inline constexpr uint16_t kLangKorean = 0x12;

// The ANSI code page of the system language: 949, 932, 936, 950 or 1252.
KIVO_WIN_API uint32_t GetACP();
KIVO_WIN_API uint32_t CodePageForLang(uint16_t langId);

// UTF-8 to and from an 8-bit code page; what the target cannot hold becomes "_".
KIVO_WIN_API std::string ToCodePage(uint32_t codePage, std::string_view utf8);
KIVO_WIN_API std::string FromCodePage(uint32_t codePage, std::string_view bytes);
// Bytes of a character set named as iconv knows it, to UTF-8 ("_" for what cannot be read);
// nothing when the set is unknown.
KIVO_WIN_API std::optional<std::string> CharsetToUtf8(std::string_view charset,
                                                      std::string_view bytes);
// Whether the byte starts a two-byte character in the code page (932, 936, 949, 950); the
// single-byte code pages have no lead bytes.
KIVO_WIN_API bool IsDBCSLeadByteEx(uint32_t codePage, uint8_t byte);
// Whether the bytes are well-formed UTF-8 throughout.
KIVO_WIN_API bool IsValidUtf8(std::string_view bytes);
inline std::string ToAnsi(std::string_view utf8) {
    return ToCodePage(GetACP(), utf8);
}
inline std::string FromAnsi(std::string_view bytes) {
    return FromCodePage(GetACP(), bytes);
}
