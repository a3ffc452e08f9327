#include "platform/wab/wab_binary.h"

#include "platform/wab/utf.h"
#include "platform/wab/wab_binary_layout.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

namespace kivo::wab {

namespace {

using namespace wab_layout;

// Bounds-checked little-endian reads inside [0, end).
class Bytes {
public:
    Bytes(std::span<const uint8_t> file, uint64_t end) : file_(file), end_(end) {}

    std::optional<uint32_t> U32(uint64_t offset) const {
        if (offset > end_ || end_ - offset < 4)
            return std::nullopt;
        const uint8_t* p = file_.data() + offset;
        return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    bool Holds(uint64_t offset, uint64_t length) const {
        return offset <= end_ && end_ - offset >= length;
    }
    std::span<const uint8_t> Span(uint64_t offset, uint64_t length) const {
        return file_.subspan(offset, length);
    }

private:
    std::span<const uint8_t> file_;
    uint64_t end_;
};

std::string ZeroTerminated(std::span<const uint8_t> bytes) {
    auto zero = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), zero);
}

std::string Raw(std::span<const uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// One element of a multi-valued property, by the element type.
std::string Element(uint32_t type, std::span<const uint8_t> bytes) {
    switch (type) {
        case PT_MV_UNICODE:
            return Utf16LeToUtf8(bytes);
        case PT_MV_STRING8:
            return ZeroTerminated(bytes);
        default:
            return Raw(bytes);
    }
}

// A multi-valued property: element count, total size, then length-prefixed elements. Returns the
// offset after it, or nothing when it does not fit.
std::optional<uint64_t> ReadMultiValued(const Bytes& data, uint64_t pos, uint32_t tag,
                                        std::vector<StoredProperty>& props) {
    auto count = data.U32(pos + 4);
    auto total = data.U32(pos + 8);
    if (!count || !total || !data.Holds(pos + 12, *total))
        return std::nullopt;
    uint64_t start = pos + 12, end = start + *total;
    Bytes elements(data.Span(0, end), end);
    StoredProperty prop = StoredProperty::Number(tag, 0);
    uint64_t at = start;
    for (uint32_t i = 0; i < *count; ++i) {
        auto length = elements.U32(at);
        if (!length || !elements.Holds(at + 4, *length))
            break;
        prop.values.push_back(Element(PropType(tag), elements.Span(at + 4, *length)));
        at += 4 + *length;
    }
    if (prop.values.size() == *count)
        props.push_back(std::move(prop));
    return end;
}

// A single value; types this reader does not know are passed over.
void KeepSingleValue(uint32_t tag, std::span<const uint8_t> value,
                     std::vector<StoredProperty>& props) {
    StoredProperty prop = StoredProperty::Number(tag, 0);
    switch (PropType(tag)) {
        case PT_I2:
        case PT_BOOLEAN:
            if (value.size() < 2)
                return;
            prop.number = static_cast<int16_t>(value[0] | (value[1] << 8));
            if (PropType(tag) == PT_BOOLEAN)
                prop.number = prop.number != 0;
            break;
        case PT_LONG:
            if (value.size() < 4)
                return;
            prop.number = static_cast<int32_t>(value[0] | (value[1] << 8) | (value[2] << 16) |
                                               (static_cast<uint32_t>(value[3]) << 24));
            break;
        case PT_UNICODE:
            prop.bytes = Utf16LeToUtf8(value);
            break;
        case PT_STRING8:
            prop.bytes = ZeroTerminated(value);
            break;
        case PT_BINARY:
            prop.bytes = Raw(value);
            break;
        default:
            return;
    }
    props.push_back(std::move(prop));
}

// The properties of one record, up to the end of its data or the first that does not fit.
std::vector<StoredProperty> ReadProperties(const Bytes& data, uint64_t pos, uint32_t count) {
    std::vector<StoredProperty> props;
    for (uint32_t i = 0; i < count; ++i) {
        auto tag = data.U32(pos);
        auto length = data.U32(pos + 4);
        if (!tag || !length)
            break;
        if (PropType(*tag) & MV_FLAG) {
            auto next = ReadMultiValued(data, pos, *tag, props);
            if (!next)
                break;
            pos = *next;
        } else {
            if (!data.Holds(pos + 8, *length))
                break;
            KeepSingleValue(*tag, data.Span(pos + 8, *length), props);
            pos += 8 + *length;
        }
    }
    return props;
}

std::optional<uint32_t> ObjectTypeOf(const std::vector<StoredProperty>& props) {
    for (const auto& p : props)
        if (p.tag == PR_OBJECT_TYPE)
            return static_cast<uint32_t>(p.number);
    return std::nullopt;
}

struct IndexTable {
    uint64_t offset;
    uint64_t count;
};

std::optional<IndexTable> FindIndex(const Bytes& file) {
    for (uint32_t i = 0; i < kDescriptorCount; ++i) {
        uint64_t at = kDescriptorsOffset + uint64_t{i} * kDescriptorSize;
        auto type = file.U32(at);
        auto offset = file.U32(at + 8);
        auto count = file.U32(at + 12);
        if (!type || !offset || !count)
            return std::nullopt;
        if (*type == kIndexTableType)
            return IndexTable{*offset, *count};
    }
    return std::nullopt;
}

// Records of a sound file never overlap; refusing overlaps keeps a crafted index from making
// the reader go over the same bytes again and again.
class Extents {
public:
    bool Claim(uint64_t start, uint64_t end) {
        auto next = taken_.lower_bound(start);
        if (next != taken_.end() && next->first < end)
            return false;
        if (next != taken_.begin() && std::prev(next)->second > start)
            return false;
        taken_.emplace(start, end);
        return true;
    }

private:
    std::map<uint64_t, uint64_t> taken_;
};

}  // namespace

WabSignature WabSignatureOf(std::span<const uint8_t> file) {
    if (file.size() >= sizeof kSignature &&
        std::memcmp(file.data(), kSignature, sizeof kSignature) == 0)
        return WabSignature::Current;
    if (file.size() >= sizeof kOlderSignature &&
        std::memcmp(file.data(), kOlderSignature, sizeof kOlderSignature) == 0)
        return WabSignature::OlderVariant;
    return WabSignature::None;
}

std::vector<StoredEntry> ReadWabBinary(std::span<const uint8_t> file) {
    std::vector<StoredEntry> entries;
    if (WabSignatureOf(file) != WabSignature::Current)
        return entries;
    Bytes bytes(file, file.size());
    auto index = FindIndex(bytes);
    if (!index)
        return entries;
    Extents extents;
    for (uint64_t i = 0; i < index->count; ++i) {
        uint64_t at = index->offset + i * kIndexEntrySize;
        auto recordOffset = bytes.U32(at + 4);
        if (!recordOffset)
            break;
        uint64_t record = *recordOffset;
        uint32_t header[kRecordHeaderSize / 4];
        bool whole = true;
        for (uint32_t w = 0; w < std::size(header) && whole; ++w) {
            auto word = bytes.U32(record + 4 * w);
            whole = word.has_value();
            if (whole)
                header[w] = *word;
        }
        if (!whole || header[0] != kRecordLive)
            continue;
        uint32_t propCount = header[3];
        uint64_t tags = record + kRecordHeaderSize;
        if (!bytes.Holds(tags, uint64_t{propCount} * 4))
            continue;
        uint64_t data = tags + uint64_t{propCount} * 4;
        // A record cut short by the end of the file keeps the properties that are whole.
        uint64_t end = std::min<uint64_t>(data + header[7], file.size());
        if (!extents.Claim(record, end))
            continue;
        StoredEntry entry;
        entry.props = ReadProperties(Bytes(file.first(end), end), data, propCount);
        // Containers and other objects are not entries of the address book.
        entry.objectType = ObjectTypeOf(entry.props).value_or(MAPI_MAILUSER);
        if (entry.objectType != MAPI_MAILUSER && entry.objectType != MAPI_DISTLIST)
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace kivo::wab
