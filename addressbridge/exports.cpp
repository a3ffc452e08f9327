#include "addressbridge/address_book_connection.h"
#include "addressbridge/contact_list.h"
#include "addressbridge/contactbridge.h"

#include <memory>
#include <string>

namespace {

using namespace kivo::contactbridge;

// The one connection of the process, from WAB_AllocList to WAB_FreeList.
std::unique_ptr<AddressBookConnection> slot;

}  // namespace

int WAB_AllocList(HWND listView, const char* path) {
    try {
        std::string file = path ? path : "";
        // A second call without WAB_FreeList closes the connection it held.
        slot.reset();
        slot = OpenAddressBook(file);
        if (slot->Opened)
            FillContactList(*slot, listView);
    } catch (...) {
        // Nothing crosses the library boundary; what was added stays.
    }
    return 0;
}

int WAB_FreeList(HWND listView) {
    try {
        FreeContactRows(listView);
    } catch (...) {
    }
    slot.reset();
    return 0;
}
