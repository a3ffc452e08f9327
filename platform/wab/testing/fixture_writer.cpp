#include "platform/wab/testing/fixture_writer.h"

#include "platform/wab/wab_binary_layout.h"

#include <iconv.h>

#include <stdexcept>

namespace kivo::wab::fixture {

namespace {

using namespace wab_layout;

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t Get32(const std::string& in, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    return v;
}

std::string Convert(const std::string& text, const char* to) {
    iconv_t cd = iconv_open(to, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no converter");
    std::string out(text.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(text.data());
    size_t left = text.size();
    char* dst = out.data();
    size_t room = out.size();
    if (iconv(cd, &src, &left, &dst, &room) == static_cast<size_t>(-1))
        throw std::runtime_error("cannot convert");
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}

std::string Utf16Z(const std::string& utf8) {
    return Convert(utf8, "UTF-16LE") + std::string(2, '\0');
}

std::string Value(const StoredProperty& p) {
    std::string v;
    switch (PropType(p.tag)) {
        case PT_I2:
        case PT_BOOLEAN:
            v += static_cast<char>(p.number & 0xFF);
            v += static_cast<char>((p.number >> 8) & 0xFF);
            return v;
        case PT_LONG:
            Put32(v, static_cast<uint32_t>(p.number));
            return v;
        case PT_UNICODE:
            return Utf16Z(p.bytes);
        case PT_STRING8:
            return p.bytes + '\0';
        default:
            return p.bytes;
    }
}

std::string Property(const StoredProperty& p) {
    std::string out;
    Put32(out, p.tag);
    if (PropType(p.tag) & MV_FLAG) {
        std::string elements;
        for (const auto& v : p.values) {
            std::string e = PropType(p.tag) == PT_MV_UNICODE   ? Utf16Z(v)
                            : PropType(p.tag) == PT_MV_STRING8 ? v + '\0'
                                                               : v;
            Put32(elements, static_cast<uint32_t>(e.size()));
            elements += e;
        }
        Put32(out, static_cast<uint32_t>(p.values.size()));
        Put32(out, static_cast<uint32_t>(elements.size()));
        return out + elements;
    }
    std::string v = Value(p);
    Put32(out, static_cast<uint32_t>(v.size()));
    return out + v;
}

std::string RecordBytes(const Record& r) {
    std::string data;
    for (const auto& p : r.props)
        data += Property(p);
    uint32_t count = static_cast<uint32_t>(r.props.size());
    std::string out;
    for (uint32_t w : {r.live ? kRecordLive : 0u, 1u, r.id, count, kRecordHeaderSize, count * 4,
                       count * 4, static_cast<uint32_t>(data.size())})
        Put32(out, w);
    for (const auto& p : r.props)
        Put32(out, p.tag);
    return out + data;
}

void AddText(Record& r, uint32_t tag, const std::optional<std::string>& text) {
    if (text)
        r.props.push_back(StoredProperty::Bytes(PropTag(PT_UNICODE, PropId(tag)), *text));
}

}  // namespace

Record ContactRecord(uint32_t id, const Contact& c) {
    Record r;
    r.id = id;
    r.props.push_back(StoredProperty::Number(PR_OBJECT_TYPE, static_cast<int32_t>(c.objectType)));
    AddText(r, PR_DISPLAY_NAME, c.display);
    AddText(r, PR_SURNAME, c.surname);
    AddText(r, PR_GIVEN_NAME, c.given);
    AddText(r, PR_HOME_TELEPHONE_NUMBER, c.home);
    AddText(r, PR_BUSINESS_TELEPHONE_NUMBER, c.business);
    return r;
}

std::string WriteWabBinary(const std::vector<Record>& records, BinaryOptions options) {
    std::string out(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
    out.resize(kDescriptorsOffset, '\0');
    uint32_t indexOffset = kDescriptorsOffset + kDescriptorCount * kDescriptorSize;
    for (uint32_t i = 0; i < kDescriptorCount; ++i) {
        bool index = static_cast<int>(i) == options.indexSlot;
        Put32(out, index ? kIndexTableType : kIndexTableType + 1 + i);
        Put32(out, kIndexEntrySize);
        Put32(out, index ? indexOffset : 0);
        Put32(out, index ? static_cast<uint32_t>(records.size()) : 0);
    }
    uint32_t at = indexOffset + static_cast<uint32_t>(records.size()) * kIndexEntrySize;
    std::string body;
    for (const auto& r : records) {
        Put32(out, r.id);
        Put32(out, at + static_cast<uint32_t>(body.size()));
        body += RecordBytes(r);
    }
    return out + body;
}

uint32_t RecordOffset(const std::string& file, int n) {
    uint32_t indexOffset = kDescriptorsOffset + kDescriptorCount * kDescriptorSize;
    return Get32(file, indexOffset + n * kIndexEntrySize + 4);
}

namespace {

std::string QuotedPrintable(const std::string& bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 33 && c <= 126 && c != '=') {
            out += static_cast<char>(c);
        } else {
            out += '=';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ';' || c == ',' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

class CardLines {
public:
    explicit CardLines(const Card& card) : card_(card) {}

    void Add(const std::string& name, const std::string& value) {
        if (card_.quotedPrintableCharset) {
            std::string encoded =
                QuotedPrintable(Convert(value, card_.quotedPrintableCharset->c_str()));
            // Soft line breaks every 20 encoded bytes, never inside an "=XX".
            std::string broken;
            for (size_t i = 0; i < encoded.size();) {
                size_t n = std::min<size_t>(20, encoded.size() - i);
                while (n < encoded.size() - i &&
                       (encoded[i + n - 1] == '=' || (n >= 2 && encoded[i + n - 2] == '=')))
                    ++n;
                broken += encoded.substr(i, n);
                i += n;
                if (i < encoded.size())
                    broken += "=\r\n";
            }
            Line(name + ";CHARSET=" + *card_.quotedPrintableCharset +
                 ";ENCODING=QUOTED-PRINTABLE:" + broken);
        } else {
            Line(name + ":" + value);
        }
    }
    // The card's own BEGIN, VERSION and END lines are short and never folded.
    void Plain(const std::string& line) { text_ += line + "\r\n"; }
    void Line(const std::string& line) {
        if (card_.foldAt == 0 || line.size() <= card_.foldAt) {
            text_ += line + "\r\n";
            return;
        }
        text_ += line.substr(0, card_.foldAt) + "\r\n";
        for (size_t i = card_.foldAt; i < line.size(); i += card_.foldAt)
            text_ += " " + line.substr(i, card_.foldAt) + "\r\n";
    }
    std::string Take() { return std::move(text_); }

private:
    const Card& card_;
    std::string text_;
};

}  // namespace

std::string WriteVCard(const Card& card) {
    const Contact& c = card.contact;
    CardLines lines(card);
    lines.Plain("BEGIN:VCARD");
    lines.Plain("VERSION:" + card.version);
    if (c.surname || c.given)
        lines.Add("N",
                  Escaped(c.surname.value_or("")) + ";" + Escaped(c.given.value_or("")) + ";;;");
    if (c.display)
        lines.Add("FN", Escaped(*c.display));
    if (card.group)
        lines.Line(card.version == "4.0" ? "KIND:group" : "X-ADDRESSBOOKSERVER-KIND:group");
    auto tel = [&](const std::optional<std::string>& number, const char* type) {
        if (!number)
            return;
        if (card.version == "2.1")
            lines.Add(std::string("TEL;") + type + ";VOICE", *number);
        else if (card.version == "3.0")
            lines.Add(std::string("TEL;TYPE=") + type + ",VOICE", *number);
        else
            lines.Add(std::string("TEL;VALUE=uri;TYPE=\"") + type + ",voice\"", "tel:" + *number);
    };
    tel(c.home, "HOME");
    tel(c.business, "WORK");
    lines.Plain("END:VCARD");
    return lines.Take();
}

}  // namespace kivo::wab::fixture
