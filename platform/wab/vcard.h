#pragma once

#include "platform/wab/stored_entry.h"

#include <string_view>
#include <vector>

namespace kivo::wab {

// A file of one or more vCards (2.1, 3.0, 4.0), recognised by its first line "BEGIN:VCARD".
bool LooksLikeVCard(std::string_view file);

// One entry per card: display name, surname and given name from N, the first home and the
// first work telephone number. Groups become distribution lists. Lines that cannot be read are
// passed over; a card cut off by the end of the file keeps what it has.
std::vector<StoredEntry> ReadVCards(std::string_view file);

}  // namespace kivo::wab
