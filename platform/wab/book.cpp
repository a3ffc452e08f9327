#include "platform/wab/book.h"

#include "platform/wab/entry_id.h"
#include "platform/wab/vcard.h"
#include "platform/wab/wab_binary.h"
#include "platform/win/lang.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kivo::wab {

namespace {

// Far beyond any address book; a larger file is refused rather than read into memory.
constexpr uintmax_t kLargestFile = 256u << 20;

std::vector<StoredProperty> IdentityProps(uint32_t position, uint32_t objectType) {
    return {StoredProperty::Bytes(PR_ENTRYID, entry_id::Make(position)),
            StoredProperty::Number(PR_OBJECT_TYPE, static_cast<int32_t>(objectType))};
}

// Wide texts become 8-bit ones; the first property of each id counts.
void AddServed(StoredProperty prop, std::vector<StoredProperty>& props) {
    for (const auto& p : props)
        if (PropId(p.tag) == PropId(prop.tag))
            return;
    if (PropType(prop.tag) == PT_UNICODE) {
        prop.tag = PropTag(PT_STRING8, PropId(prop.tag));
        prop.bytes = ToAnsi(prop.bytes);
    } else if (PropType(prop.tag) == PT_MV_UNICODE) {
        prop.tag = PropTag(PT_MV_STRING8, PropId(prop.tag));
        for (auto& v : prop.values)
            v = ToAnsi(v);
    }
    props.push_back(std::move(prop));
}

}  // namespace

Book::Book(std::vector<StoredEntry> entries)
    : container_(IdentityProps(entry_id::kPersonalAddressBook, MAPI_ABCONT)) {
    entries_.reserve(entries.size());
    for (auto& stored : entries) {
        Entry entry{stored.objectType,
                    IdentityProps(static_cast<uint32_t>(entries_.size() + 1), stored.objectType)};
        for (auto& prop : stored.props)
            AddServed(std::move(prop), entry.props);
        entries_.push_back(std::move(entry));
    }
}

HRESULT Book::Load(const std::string& path, std::shared_ptr<const Book>& book) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec))
        return MAPI_E_NOT_FOUND;
    uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return MAPI_E_DISK_ERROR;
    if (size > kLargestFile)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return MAPI_E_DISK_ERROR;
    std::span<const uint8_t> file(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    switch (WabSignatureOf(file)) {
        case WabSignature::Current:
            book = std::make_shared<const Book>(ReadWabBinary(file));
            return S_OK;
        case WabSignature::OlderVariant:
            return MAPI_E_CORRUPT_DATA;
        case WabSignature::None:
            break;
    }
    if (!LooksLikeVCard(bytes))
        return MAPI_E_CORRUPT_DATA;
    book = std::make_shared<const Book>(ReadVCards(bytes));
    return S_OK;
}

}  // namespace kivo::wab
