#pragma once

#include "platform/wab/stored_entry.h"

#include <cstdint>
#include <span>
#include <vector>

namespace kivo::wab {

// The binary address-book file: little-endian, a 16-byte signature, table descriptors, an index
// of {record id, record offset} and one record of properties per entry.
enum class WabSignature { Current, OlderVariant, None };

WabSignature WabSignatureOf(std::span<const uint8_t> file);

// The live contacts and distribution lists of a file with the current signature, in index
// order. Every offset, count and length is checked against the file: damage gives fewer
// entries or fewer properties, never more.
std::vector<StoredEntry> ReadWabBinary(std::span<const uint8_t> file);

}  // namespace kivo::wab
