#include "platform/wab/vcard.h"

#include "platform/wab/charset_label.h"
#include "platform/wab/utf.h"
#include "platform/win/lang.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>
#include <string>

namespace kivo::wab {

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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void SkipByteOrderMark(std::string_view& text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
}

std::string_view SkipBomAndBlankLines(std::string_view file) {
    SkipByteOrderMark(file);
    size_t start = file.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view() : file.substr(start);
}

// The file as 8-bit text: UTF-16 with its byte-order mark is read as UTF-8, every other file
// as it stands.
struct FileText {
    std::string decoded;
    std::string_view text;
    bool unicode = false;

    explicit FileText(std::string_view file) : text(file) {
        bool little = file.substr(0, 2) == "\xFF\xFE", big = file.substr(0, 2) == "\xFE\xFF";
        if (!little && !big)
            return;
        file.remove_prefix(2);
        decoded = Utf16TextToUtf8(
            std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), big);
        text = decoded;
        unicode = true;
    }
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
};

// A vCard group name before a property name: letters, digits and "-", then ".".
size_t GroupPrefixLength(std::string_view line) {
    size_t n = 0;
    while (n < line.size() && (std::isalnum(static_cast<unsigned char>(line[n])) || line[n] == '-'))
        ++n;
    return n > 0 && n < line.size() && line[n] == '.' ? n + 1 : 0;
}

// The first line of the text, after a byte-order mark and blank lines, is BEGIN:VCARD, with a
// group prefix or without.
bool BeginsWithCard(std::string_view text) {
    std::string_view start = SkipBomAndBlankLines(text);
    start.remove_prefix(GroupPrefixLength(start));
    return start.size() >= 11 && SameText(start.substr(0, 11), "BEGIN:VCARD");
}

// Splits off the first line. Lines end in CR LF, LF or CR alone (older Mac files), or in
// CR CR LF where a CR LF file had its line ends converted once more.
std::string_view NextLine(std::string_view& file) {
    size_t end = file.find_first_of("\r\n");
    std::string_view line = file.substr(0, end);
    if (end == std::string_view::npos) {
        file = {};
        return line;
    }
    size_t next = end + 1;
    if (file.substr(end, 3) == "\r\r\n")
        next = end + 3;
    else if (file.substr(end, 2) == "\r\n")
        next = end + 2;
    file.remove_prefix(next);
    return line;
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
        std::string_view line = NextLine(file);
        // Files joined one after the other keep the byte-order mark of each.
        SkipByteOrderMark(line);
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

constexpr int kNoPreference = 101;

struct Property {
    std::string name;
    std::vector<std::string> types;
    std::string charset;
    std::string encoding;
    // 1 most preferred to 100 least; kNoPreference without a mark.
    int preference = kNoPreference;
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

bool HasType(const Property& p, std::string_view type) {
    return std::any_of(p.types.begin(), p.types.end(),
                       [&](const std::string& t) { return SameText(t, type); });
}

// The value of a PREF parameter (1 to 100); anything else is no preference.
int PreferenceOf(std::string_view value) {
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9' || n > kNoPreference)
            return kNoPreference;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n < kNoPreference ? n : kNoPreference;
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
        else if (SameText(key, "PREF"))
            p.preference = std::min(p.preference, PreferenceOf(Unquote(value)));
    }
    if (HasType(p, "PREF"))
        p.preference = 1;
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
    return SanitizeUtf8(CharsetToUtf8(IconvCharsetName(charset), bytes).value_or(bytes));
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

// Fax, pager and mobile numbers are other properties of the address book than its home and
// business telephone numbers; a number without any of these marks is a voice number.
bool IsVoiceNumber(const Property& p) {
    return HasType(p, "VOICE") || !(HasType(p, "FAX") || HasType(p, "PAGER") || HasType(p, "CELL"));
}

// The first number offered wins, unless a later one is more preferred.
class NumberChoice {
public:
    void Offer(std::string number, int preference) {
        if (number.empty() || (!number_.empty() && preference >= preference_))
            return;
        number_ = std::move(number);
        preference_ = preference;
    }
    std::string Take() { return std::move(number_); }

private:
    std::string number_;
    int preference_ = kNoPreference;
};

class CardBuilder {
public:
    // In a UTF-16 file the values are already Unicode text; a character set names the bytes
    // of quoted-printable values only.
    explicit CardBuilder(bool unicodeFile) : unicodeFile_(unicodeFile) {}

    void Add(const Property& p) {
        if (Contains(p.encoding, "BASE64") || SameText(p.encoding, "B"))
            return;
        std::string value = p.value;
        bool quotedPrintable = SameText(p.encoding, "QUOTED-PRINTABLE");
        if (quotedPrintable)
            value = DecodeQuotedPrintable(value);
        value = ToUtf8(unicodeFile_ && !quotedPrintable ? std::string() : p.charset, value);
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
            if (!IsVoiceNumber(p))
                return;
            if (HasType(p, "HOME"))
                home_.Offer(number, p.preference);
            if (HasType(p, "WORK"))
                business_.Offer(number, p.preference);
        } else if (SameText(p.name, "KIND") || SameText(p.name, "X-ADDRESSBOOKSERVER-KIND")) {
            if (SameText(value, "group"))
                entry_.objectType = MAPI_DISTLIST;
        } else if (SameText(p.name, "X-EVOLUTION-LIST")) {
            if (SameText(value, "TRUE"))
                entry_.objectType = MAPI_DISTLIST;
        }
    }
    StoredEntry Take() {
        Set(kHomePhone, home_.Take());
        Set(kBusinessPhone, business_.Take());
        return std::move(entry_);
    }

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

    bool unicodeFile_;
    NumberChoice home_, business_;
    StoredEntry entry_;
};

}  // namespace

bool LooksLikeVCard(std::string_view file) {
    return BeginsWithCard(FileText(file).text);
}

std::vector<StoredEntry> ReadVCards(std::string_view file) {
    std::vector<StoredEntry> entries;
    FileText text(file);
    if (!BeginsWithCard(text.text))
        return entries;
    std::optional<CardBuilder> card;
    int depth = 0;
    for (const auto& line : Unfold(SkipBomAndBlankLines(text.text))) {
        auto p = Parse(line);
        if (!p)
            continue;
        bool isCard = SameText(p->value, "VCARD");
        if (SameText(p->name, "BEGIN") && isCard) {
            // A card embedded in another (an agent of version 2.1) is not an entry of its own.
            if (depth++ == 0)
                card.emplace(text.unicode);
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

}  // namespace kivo::wab
