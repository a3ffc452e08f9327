#pragma once

#include "addressbridge/address_book_connection.h"
#include "platform/win/types.h"

namespace kivo::contactbridge {

// Appends one row per mail user of the personal address book, in contents-table order, after
// the rows already in the list view. Returns the address book's result of the last step.
HRESULT FillContactList(AddressBookConnection& connection, HWND listView);

// Deletes every row of the list view; a list that is already empty gets no message to delete.
void FreeContactRows(HWND listView);

// Releases each row's property array, then the row set.
void FreeRowSet(AddressBookConnection& connection, SRowSet* rows);

// Column 0 of a row: surname, one blank and given name, without blanks at either end, as UTF-8,
// at most 1023 bytes and never cut inside a character.
std::string ContactName(const std::string& surname, const std::string& givenName);

}  // namespace kivo::contactbridge
