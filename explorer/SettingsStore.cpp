#include "explorer/SettingsStore.h"

#include "explorer/UtilUnit.h"
#include "platform/win/registry.h"

namespace kivo::settings {

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

bool WriteText(std::string_view name, std::string_view value) {
    return kivo::win::registry::Write(RegistryRoot::CurrentUser, kKey, kSection, name, value);
}

bool WriteNumber(std::string_view name, int64_t value) {
    return WriteText(name, std::to_string(value));
}

bool WriteTruth(std::string_view name, bool value) {
    return WriteText(name, value ? "1" : "0");
}

}  // namespace kivo::settings
