#include "addressbridge/address_book_connection.h"

#include "platform/win/registry.h"

#include <new>

namespace kivo::contactbridge {

namespace {

constexpr const char* kLibraryPathKey = "Software\\Microsoft\\WAB\\DLLPath";
constexpr const char* kDefaultLibrary = "WAB32.DLL";
constexpr uint32_t kPathBufferSize = 260;

struct CloseKey {
    void operator()(HKEY key) const { RegCloseKey(key); }
};

// The default value of the library-path key, used as it is; empty when any step fails.
std::string LibraryPathFromRegistry() {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLibraryPathKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return {};
    std::unique_ptr<HKEY__, CloseKey> key(opened);
    char buffer[kPathBufferSize] = {};
    uint32_t size = sizeof buffer;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<uint8_t*>(buffer),
                         &size) != ERROR_SUCCESS)
        return {};
    buffer[kPathBufferSize - 1] = '\0';
    return buffer;
}

}  // namespace

AddressBookConnection::~AddressBookConnection() {
    CloseAddressBook(*this);
}

std::unique_ptr<AddressBookConnection> OpenAddressBook(const std::string& path) {
    auto connection = std::make_unique<AddressBookConnection>();
    std::string library = LibraryPathFromRegistry();
    // A registry path that does not load is not followed by a second try with the default name.
    connection->Library.reset(LoadLibraryA(library.empty() ? kDefaultLibrary : library.c_str()));
    if (!connection->Library)
        return connection;
    connection->OpenFunction =
        reinterpret_cast<WABOpenFunction>(GetProcAddress(connection->Library.get(), "WABOpen"));
    if (connection->OpenFunction == nullptr)
        return connection;
    std::string fileName = path;
    WAB_PARAM params{sizeof(WAB_PARAM), nullptr, fileName.data(), 0};
    IAddrBook* addrBook = nullptr;
    IWABObject* wabObject = nullptr;
    // What a failed open leaves in the out-pointers is not the bridge's to release.
    if (connection->OpenFunction(&addrBook, &wabObject, &params, 0) != S_OK ||
        addrBook == nullptr || wabObject == nullptr)
        return connection;
    connection->WabObject.reset(wabObject);
    connection->AddrBook.reset(addrBook);
    connection->ContactProps = WabBuffer<SPropValue>(nullptr, FreeWabBuffer{wabObject});
    connection->Opened = true;
    return connection;
}

void CloseAddressBook(AddressBookConnection& connection) {
    connection.CachedEntryId.clear();
    connection.ContactProps.reset();
    connection.ContactPropCount = 0;
    connection.AddrBook.reset();
    connection.WabObject.reset();
    connection.Opened = false;
    // Also a library whose open failed is unloaded.
    connection.OpenFunction = nullptr;
    connection.Library.reset();
}

void CacheEntryId(AddressBookConnection& connection, std::span<const uint8_t> entryId) {
    connection.CachedEntryId.clear();
    try {
        connection.CachedEntryId.assign(entryId.begin(), entryId.end());
    } catch (const std::bad_alloc&) {
        connection.CachedEntryId.clear();
    }
}

void LoadContactProps(AddressBookConnection& connection) {
    connection.ContactProps.reset();
    connection.ContactPropCount = 0;
    if (connection.CachedEntryIdSize() == 0 || !connection.AddrBook)
        return;
    uint32_t type = 0;
    IUnknown* object = nullptr;
    HRESULT hr = connection.AddrBook->OpenEntry(
        connection.CachedEntryIdSize(),
        reinterpret_cast<const ENTRYID*>(connection.CachedEntryId.data()), nullptr, 0, &type,
        &object);
    if (hr < 0 || object == nullptr)
        return;
    // Every object that OpenEntry gives has properties.
    InterfaceRef<IMAPIProp> user(static_cast<IMAPIProp*>(object));
    uint32_t count = 0;
    SPropValue* props = nullptr;
    user->GetProps(nullptr, 0, &count, &props);
    connection.ContactProps.reset(props);
    connection.ContactPropCount = props ? count : 0;
}

std::string PropertyText(const AddressBookConnection& connection, uint32_t tag) {
    const SPropValue* props = connection.ContactProps.get();
    if (props == nullptr || connection.ContactPropCount == 0)
        return {};
    for (uint32_t i = 0; i < connection.ContactPropCount; ++i) {
        const SPropValue& p = props[i];
        if (p.ulPropTag != tag)
            continue;
        switch (PropType(tag)) {
            case PT_STRING8:
                return p.Value.lpszA ? p.Value.lpszA : "";
            case PT_I2:
                return std::to_string(p.Value.i);
            case PT_LONG:
                return std::to_string(p.Value.l);
            case PT_BOOLEAN:
                return std::to_string(p.Value.b);
            case PT_BINARY:
                return "Binary data";
            case PT_MV_STRING8:
                return {};
            default:
                return "Unrecognized or undisplayable data";
        }
    }
    return {};
}

}  // namespace kivo::contactbridge
