#include "platform/wab/vcard.h"

#include "platform/wab/utf.h"
#include "platform/win/lang.h"

#include <algorithm>
#include <optional>
#include <string>

namespace {

constexpr uint32_t kDisplayName = PropTag(PT_UNICODE, PropId(PR_DISPLAY_NAME));
constexpr uint32_t kSurname = PropTag(PT_UNICODE, PropId(PR_SURNAME));
constexpr uint32_t kGivenName = PropTag(PT_UNICODE, PropId(PR_GIVEN_NAME));
constexpr uint32_t kHomePhone = PropTag(PT_UNICODE, PropId(PR_HOME_TELEPHONE_NUMBER));
constexpr uint32_t kBusinessPhone = PropTag(PT_UNICODE, PropId(PR_BUSINESS_TELEPHONE_NUMBER));

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool Contains(std::string_view text, std::string_view word) {
    if (word.size() > text.size())
        return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (SameText(text.substr(i, word.size()), word))
            return true;
    return false;
}

std::string_view SkipBomAndBlankLines(std::string_view file) {
    if (file.substr(0, 3) == "\xEF\xBB\xBF")
        file.remove_prefix(3);
    size_t start = file.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view() : file.substr(start);
}

// A content line after unfolding; `colon` is found once, so long folded lines cost no more
// than their length.
struct LogicalLine {
    std::string text;
    size_t scanned = 0;
    bool quoted = false;
    size_t colon = std::string::npos;
    bool quotedPrintable = false;

    void Append(std::string_view more) {
        text.append(more);
        if (colon != std::string::npos)
            return;
        for (; scanned < text.size(); ++scanned) {
            if (text[scanned] == '"')
                quoted = !quoted;
            else if (text[scanned] == ':' && !quoted)
                break;
        }
        if (scanned < text.size()) {
            colon = scanned;
            quotedPrintable = Contains(std::string_view(text).substr(0, colon), "QUOTED-PRINTABLE");
        }
    }
    // Quoted-printable values of version 2.1 continue on the next line after a final "=".
    bool SoftBreak() const { return quotedPrintable && !text.empty() && text.back() == '='; }
};

std::vector<LogicalLine> Unfold(std::string_view file) {
    std::vector<LogicalLine> lines;
    bool softBreak = false;
    while (!file.empty()) {
        size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!lines.empty() && softBreak) {
            lines.back().text.pop_back();
            lines.back().Append(line);
        } else if (!lines.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            lines.back().Append(line.substr(1));
        } else {
            lines.emplace_back().Append(line);
        }
        softBreak = lines.back().SoftBreak();
    }
    return lines;
}

struct Property {
    std::string name;
    std::vector<std::string> types;
    std::string charset;
    std::string encoding;
    std::string value;
};

std::string Unquote(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return std::string(s);
}

// Splits parameters on ";" outside double quotes.
std::vector<std::string_view> SplitParams(std::string_view s) {
    std::vector<std::string_view> parts;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i < s.size() && s[i] == '"')
            quoted = !quoted;
        if (i == s.size() || (s[i] == ';' && !quoted)) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

void AddTypes(std::string_view list, std::vector<std::string>& types) {
    std::string text = Unquote(list);
    std::string_view rest = text;
    while (true) {
        size_t comma = rest.find(',');
        types.emplace_back(rest.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
}

std::optional<Property> Parse(const LogicalLine& line) {
    if (line.colon == std::string::npos)
        return std::nullopt;
    std::string_view head = std::string_view(line.text).substr(0, line.colon);
    Property p;
    p.value = line.text.substr(line.colon + 1);
    auto params = SplitParams(head);
    std::string_view name = params.front();
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    p.name = std::string(name);
    for (size_t i = 1; i < params.size(); ++i) {
        std::string_view param = params[i];
        size_t eq = param.find('=');
        if (eq == std::string_view::npos) {
            // Version 2.1 names types and encodings without "TYPE=" or "ENCODING=".
            if (SameText(param, "QUOTED-PRINTABLE") || SameText(param, "BASE64") ||
                SameText(param, "8BIT"))
                p.encoding = std::string(param);
            else
                p.types.emplace_back(param);
            continue;
        }
        std::string_view key = param.substr(0, eq), value = param.substr(eq + 1);
        if (SameText(key, "TYPE"))
            AddTypes(value, p.types);
        else if (SameText(key, "CHARSET"))
            p.charset = Unquote(value);
        else if (SameText(key, "ENCODING"))
            p.encoding = Unquote(value);
    }
    return p;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeQuotedPrintable(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        int hi, lo;
        if (s[i] == '=' && i + 2 < s.size() && (hi = HexDigit(s[i + 1])) >= 0 &&
            (lo = HexDigit(s[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Converts from a named character set; an unknown set keeps the bytes, which are then checked.
std::string ToUtf8(const std::string& charset, const std::string& bytes) {
    if (charset.empty() || SameText(charset, "UTF-8"))
        return SanitizeUtf8(bytes);
    return SanitizeUtf8(CharsetToUtf8(charset, bytes).value_or(bytes));
}

// Text values escape "\n", "\,", "\;" and "\\"; a structured value splits on unescaped ";".
std::vector<std::string> SplitStructured(std::string_view s) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char next = s[++i];
            parts.back() += (next == 'n' || next == 'N') ? '\n' : next;
        } else if (s[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += s[i];
        }
    }
    return parts;
}

std::string UnescapeText(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char next = s[++i];
            out += (next == 'n' || next == 'N') ? '\n' : next;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool HasType(const Property& p, std::string_view type) {
    return std::any_of(p.types.begin(), p.types.end(),
                       [&](const std::string& t) { return SameText(t, type); });
}

class CardBuilder {
public:
    void Add(const Property& p) {
        if (Contains(p.encoding, "BASE64") || SameText(p.encoding, "B"))
            return;
        std::string value = p.value;
        if (SameText(p.encoding, "QUOTED-PRINTABLE"))
            value = DecodeQuotedPrintable(value);
        value = ToUtf8(p.charset, value);
        if (SameText(p.name, "FN")) {
            Set(kDisplayName, UnescapeText(value));
        } else if (SameText(p.name, "N")) {
            auto parts = SplitStructured(value);
            Set(kSurname, parts[0]);
            if (parts.size() > 1)
                Set(kGivenName, parts[1]);
        } else if (SameText(p.name, "TEL")) {
            std::string number = UnescapeText(value);
            if (number.size() >= 4 && SameText(std::string_view(number).substr(0, 4), "tel:"))
                number.erase(0, 4);
            if (HasType(p, "HOME"))
                Set(kHomePhone, number);
            if (HasType(p, "WORK"))
                Set(kBusinessPhone, number);
        } else if (SameText(p.name, "KIND") || SameText(p.name, "X-ADDRESSBOOKSERVER-KIND")) {
            if (SameText(value, "group"))
                entry_.objectType = MAPI_DISTLIST;
        }
    }
    StoredEntry Take() { return std::move(entry_); }

private:
    // The first value of each property counts; empty values are not kept.
    void Set(uint32_t tag, std::string text) {
        if (text.empty())
            return;
        for (const auto& p : entry_.props)
            if (p.tag == tag)
                return;
        entry_.props.push_back(StoredProperty::Bytes(tag, std::move(text)));
    }

    StoredEntry entry_;
};

}  // namespace

bool LooksLikeVCard(std::string_view file) {
    std::string_view start = SkipBomAndBlankLines(file);
    return start.size() >= 11 && SameText(start.substr(0, 11), "BEGIN:VCARD");
}

std::vector<StoredEntry> ReadVCards(std::string_view file) {
    std::vector<StoredEntry> entries;
    if (!LooksLikeVCard(file))
        return entries;
    std::optional<CardBuilder> card;
    int depth = 0;
    for (const auto& line : Unfold(SkipBomAndBlankLines(file))) {
        auto p = Parse(line);
        if (!p)
            continue;
        bool isCard = SameText(p->value, "VCARD");
        if (SameText(p->name, "BEGIN") && isCard) {
            // A card embedded in another (an agent of version 2.1) is not an entry of its own.
            if (depth++ == 0)
                card.emplace();
        } else if (SameText(p->name, "END") && isCard && depth > 0) {
            if (--depth == 0) {
                entries.push_back(card->Take());
                card.reset();
            }
        } else if (depth == 1) {
            card->Add(*p);
        }
    }
    if (card)
        entries.push_back(card->Take());
    return entries;
}
