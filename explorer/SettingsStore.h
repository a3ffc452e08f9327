#pragma once

#include "platform/win/registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The explorer's settings in the current user's registry: key "Software\MERVOLDQUILL", section
// "kivo Explorer", every value a text. Numbers are decimal texts and truth values "0" or "1".
namespace kivo::explorer::settings {

inline constexpr char kKey[] = "Software\\MERVOLDQUILL";
inline constexpr char kSection[] = "kivo Explorer";

// A text value as it stands, empty or not; the default when the value is missing.
std::string ReadText(std::string_view name, const std::string& fallback);
// A decimal number within [min, max]; the default when the value is missing, empty, not a
// decimal number or outside the range.
int64_t ReadNumber(std::string_view name, int64_t fallback, int64_t min, int64_t max);
// True for any decimal number but 0; the default when the value is missing or no number.
bool ReadTruth(std::string_view name, bool fallback);

// Values written together: the store then holds all of them or, when it cannot be written
// (a full disk, a folder this user may not write), none, and keeps what it held.
class Changes {
public:
    Changes& Text(std::string_view name, std::string_view value);
    Changes& Number(std::string_view name, int64_t value);
    Changes& Truth(std::string_view name, bool value);
    // false when the store cannot be written.
    bool Write() const;

private:
    kivo::win::registry::Values values_;
};

}  // namespace kivo::explorer::settings
