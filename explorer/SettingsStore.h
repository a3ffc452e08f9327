#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The explorer's settings in the current user's registry: key "Software\MERVOLDQUILL", section
// "kivo Explorer", every value a text. Numbers are decimal texts and truth values "0" or "1".
namespace kivo::settings {

inline constexpr char kKey[] = "Software\\MERVOLDQUILL";
inline constexpr char kSection[] = "kivo Explorer";

// A text value as it stands, empty or not; the default when the value is missing.
std::string ReadText(std::string_view name, const std::string& fallback);
// A decimal number within [min, max]; the default when the value is missing, empty, not a
// decimal number or outside the range.
int64_t ReadNumber(std::string_view name, int64_t fallback, int64_t min, int64_t max);
// True for any decimal number but 0; the default when the value is missing or no number.
bool ReadTruth(std::string_view name, bool fallback);

// false when the store cannot be written.
bool WriteText(std::string_view name, std::string_view value);
bool WriteNumber(std::string_view name, int64_t value);
bool WriteTruth(std::string_view name, bool value);

}  // namespace kivo::settings
