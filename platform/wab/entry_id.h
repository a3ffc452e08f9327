#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kivo::wab {

// Entry identifiers of this address book: four zero flag bytes, a marker and the entry's
// position, 0 for the personal address book itself and n for the n-th entry.
namespace entry_id {

inline constexpr uint32_t kSize = 12;
inline constexpr uint32_t kPersonalAddressBook = 0;

std::string Make(uint32_t position);
std::optional<uint32_t> Parse(const uint8_t* bytes, uint32_t size);

}  // namespace entry_id

}  // namespace kivo::wab
