#include "explorer/SettingsStore.h"

#include "explorer/UtilUnit.h"

namespace kivo::explorer::settings {

namespace {

std::optional<std::string> Read(std::string_view name) {
    return kivo::win::registry::Read(RegistryRoot::CurrentUser, kKey, kSection, name);
}

}  // namespace

std::string ReadText(std::string_view name, const std::string& fallback) {
    return Read(name).value_or(fallback);
}

int64_t ReadNumber(std::string_view name, int64_t fallback, int64_t min, int64_t max) {
    const auto text = Read(name);
    const auto value = text ? ParseDecimal(*text) : std::nullopt;
    return value && *value >= min && *value <= max ? *value : fallback;
}

bool ReadTruth(std::string_view name, bool fallback) {
    const auto text = Read(name);
    const auto value = text ? ParseDecimal(*text) : std::nullopt;
    return value ? *value != 0 : fallback;
}

Changes& Changes::Text(std::string_view name, std::string_view value) {
    values_.emplace_back(name, value);
    return *this;
}

Changes& Changes::Number(std::string_view name, int64_t value) {
    return Text(name, std::to_string(value));
}

Changes& Changes::Truth(std::string_view name, bool value) {
    return Text(name, value ? "1" : "0");
}

bool Changes::Write() const {
    return kivo::win::registry::WriteValues(RegistryRoot::CurrentUser, kKey, kSection, values_);
}

}  // namespace kivo::explorer::settings
