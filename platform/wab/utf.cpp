#include "platform/wab/utf.h"

namespace kivo::wab {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at the start of text, 0 if there is none.
size_t SequenceLength(std::string_view text) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    size_t length;
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not well formed.
    if ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) || c > 0x10FFFF ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

// Every unit, or up to the first zero unit; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const uint8_t> bytes, bool bigEndian, bool stopAtZero) {
    std::string out;
    size_t units = bytes.size() / 2;
    size_t high = bigEndian ? 0 : 1;
    auto unit = [&](size_t i) -> char16_t {
        return static_cast<char16_t>(bytes[2 * i + 1 - high] | (bytes[2 * i + high] << 8));
    };
    for (size_t i = 0; i < units; ++i) {
        char16_t u = unit(i);
        if (u == 0 && stopAtZero)
            break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

std::string Utf16LeToUtf8(std::span<const uint8_t> bytes) {
    return Utf16ToUtf8(bytes, false, true);
}

std::string Utf16TextToUtf8(std::span<const uint8_t> bytes, bool bigEndian) {
    return Utf16ToUtf8(bytes, bigEndian, false);
}

std::string SanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        size_t n = SequenceLength(text);
        if (n == 0) {
            out += '_';
            n = 1;
        } else {
            out.append(text.substr(0, n));
        }
        text.remove_prefix(n);
    }
    return out;
}

}  // namespace kivo::wab
