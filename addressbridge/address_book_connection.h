#pragma once

#include "addressbridge/handles.h"
#include "platform/wab/mapi.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kivo::contactbridge {

// The bridge's open address book. It owns everything its fields hold; closing it (or destroying
// it) releases them, the contact's properties before the objects whose allocator made them.
struct AddressBookConnection {
    AddressBookConnection() = default;
    AddressBookConnection(const AddressBookConnection&) = delete;
    AddressBookConnection& operator=(const AddressBookConnection&) = delete;
    ~AddressBookConnection();

    uint32_t CachedEntryIdSize() const { return static_cast<uint32_t>(CachedEntryId.size()); }

    bool Opened = false;
    ModuleHandle Library;
    WABOpenFunction OpenFunction = nullptr;
    InterfaceRef<IWABObject> WabObject;
    InterfaceRef<IAddrBook> AddrBook;
    WabBuffer<SPropValue> ContactProps;
    uint32_t ContactPropCount = 0;
    std::vector<uint8_t> CachedEntryId;
};

// Loads the library (the path in the local machine's registry, else "WAB32.DLL") and opens the
// file; the connection comes back unopened when any step fails.
std::unique_ptr<AddressBookConnection> OpenAddressBook(const std::string& path);
void CloseAddressBook(AddressBookConnection& connection);

void CacheEntryId(AddressBookConnection& connection, std::span<const uint8_t> entryId);
// The properties of the contact named by the cached identifier; none when it cannot be opened.
void LoadContactProps(AddressBookConnection& connection);
// The text of the current contact's property with exactly this tag, 8-bit as the library gave it.
std::string PropertyText(const AddressBookConnection& connection, uint32_t tag);

}  // namespace kivo::contactbridge
