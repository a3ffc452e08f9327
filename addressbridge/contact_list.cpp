#include "addressbridge/contact_list.h"

#include "platform/win/lang.h"
#include "platform/win/window.h"

#include <cstring>

namespace kivo::contactbridge {

namespace {

// The name is formatted into a buffer of this size, terminating zero included.
constexpr size_t kNameBufferSize = 1024;

enum Column : uint32_t { kDisplayNameColumn, kEntryIdColumn, kObjectTypeColumn, kColumnCount };
const SizedPropTagArray<kColumnCount> kContentsColumns{
    kColumnCount, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};

struct FreeRows {
    AddressBookConnection* connection;
    void operator()(SRowSet* rows) const { FreeRowSet(*connection, rows); }
};
using RowSetOwner = std::unique_ptr<SRowSet, FreeRows>;

// The identifier copied with the address book's allocator: a holder and its bytes chained to it.
WabBuffer<SBinary> CopyEntryId(IWABObject& allocator, const SBinary& id) {
    void* holder = nullptr;
    if (allocator.AllocateBuffer(sizeof(SBinary), &holder) != S_OK || holder == nullptr)
        return WabBuffer<SBinary>(nullptr, FreeWabBuffer{&allocator});
    WabBuffer<SBinary> copy(static_cast<SBinary*>(holder), FreeWabBuffer{&allocator});
    void* bytes = nullptr;
    if (allocator.AllocateMore(id.cb, holder, &bytes) != S_OK || bytes == nullptr) {
        copy.reset();
        return copy;
    }
    if (id.cb > 0)
        std::memcpy(bytes, id.lpb, id.cb);
    copy->cb = id.cb;
    copy->lpb = static_cast<uint8_t*>(bytes);
    return copy;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

void SetCellText(HWND listView, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(listView, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void AddContactRow(AddressBookConnection& connection, HWND listView, int row) {
    std::string name = ContactName(FromAnsi(PropertyText(connection, PR_SURNAME)),
                                   FromAnsi(PropertyText(connection, PR_GIVEN_NAME)));
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = name.data();
    item.lParam = 0;
    SendMessageA(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetCellText(listView, row, 1, FromAnsi(PropertyText(connection, PR_HOME_TELEPHONE_NUMBER)));
    SetCellText(listView, row, 2, FromAnsi(PropertyText(connection, PR_BUSINESS_TELEPHONE_NUMBER)));
}

// A mail user whose identifier can be read: a length without bytes would be copied from nowhere.
bool IsMailUser(const SRow& row) {
    return row.lpProps != nullptr && row.cValues >= kColumnCount &&
           row.lpProps[kObjectTypeColumn].ulPropTag == PR_OBJECT_TYPE &&
           row.lpProps[kObjectTypeColumn].Value.l == static_cast<int32_t>(MAPI_MAILUSER) &&
           row.lpProps[kEntryIdColumn].ulPropTag == PR_ENTRYID &&
           (row.lpProps[kEntryIdColumn].Value.bin.cb == 0 ||
            row.lpProps[kEntryIdColumn].Value.bin.lpb != nullptr);
}

}  // namespace

std::string ContactName(const std::string& surname, const std::string& givenName) {
    std::string name = Trimmed(surname + " " + givenName);
    if (name.size() < kNameBufferSize)
        return name;
    size_t cut = kNameBufferSize - 1;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    name.resize(cut);
    return name;
}

void FreeRowSet(AddressBookConnection& connection, SRowSet* rows) {
    if (rows == nullptr || !connection.WabObject)
        return;
    for (uint32_t i = 0; i < rows->cRows; ++i)
        connection.WabObject->FreeBuffer(rows->aRow[i].lpProps);
    connection.WabObject->FreeBuffer(rows);
}

HRESULT FillContactList(AddressBookConnection& connection, HWND listView) {
    if (!connection.Opened)
        return MAPI_E_CALL_FAILED;
    IWABObject& allocator = *connection.WabObject;
    uint32_t pabSize = 0;
    ENTRYID* pabId = nullptr;
    HRESULT hr = connection.AddrBook->GetPAB(&pabSize, &pabId);
    if (hr < 0)
        return hr;
    uint32_t type = 0;
    IUnknown* object = nullptr;
    hr = connection.AddrBook->OpenEntry(pabSize, pabId, nullptr, 0, &type, &object);
    allocator.FreeBuffer(pabId);
    if (hr < 0 || object == nullptr)
        return hr;
    InterfaceRef<IUnknown> entry(object);
    // Only a container has a contents table; anything else is not the address book.
    if (type != MAPI_ABCONT)
        return MAPI_E_NOT_FOUND;
    InterfaceRef<IABContainer> container(static_cast<IABContainer*>(entry.release()));
    IMAPITable* opened = nullptr;
    hr = container->GetContentsTable(0, &opened);
    InterfaceRef<IMAPITable> table(opened);
    if (hr >= 0 && table)
        hr = table->SetColumns(kContentsColumns.get(), 0);
    if (hr >= 0 && table)
        hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    while (hr >= 0 && table) {
        SRowSet* queried = nullptr;
        hr = table->QueryRows(1, 0, &queried);
        RowSetOwner rows(queried, FreeRows{&connection});
        if (hr < 0 || !rows || rows->cRows == 0)
            break;
        const SRow& row = rows->aRow[0];
        if (!IsMailUser(row))
            continue;
        WabBuffer<SBinary> entryId = CopyEntryId(allocator, row.lpProps[kEntryIdColumn].Value.bin);
        if (!entryId)
            continue;
        int position = static_cast<int>(SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
        CacheEntryId(connection, std::span<const uint8_t>(entryId->lpb, entryId->cb));
        LoadContactProps(connection);
        AddContactRow(connection, listView, position);
    }
    container.reset();
    table.reset();
    return hr;
}

void FreeContactRows(HWND listView) {
    if (SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0) < 1)
        return;
    SendMessageA(listView, LVM_DELETEALLITEMS, 0, 0);
}

}  // namespace kivo::contactbridge
