#pragma once

#include "platform/win/api.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Text values by root, key, section and value name, as the programs' settings are addressed.
// One file per root under KIVO_REGISTRY_DIR, else $XDG_CONFIG_HOME/kivo (~/.config/kivo).
// Key paths are "\"-separated and, like value names, compare without regard to ASCII case.
// Writes replace the file atomically; a file that cannot be parsed reads as empty and is moved
// aside the next time the store is written, never lost; a file that cannot be read at all is
// never written over (the write fails). A failed write leaves errno saying why.
enum class RegistryRoot { CurrentUser, LocalMachine };

namespace kivo::win::registry {

KIVO_WIN_API std::optional<std::string> Read(RegistryRoot root, std::string_view key,
                                             std::string_view section, std::string_view name);
KIVO_WIN_API bool Write(RegistryRoot root, std::string_view key, std::string_view section,
                        std::string_view name, std::string_view value);
// Names and values of one section, written with one replacement of the file: another process,
// a crash or a full disk finds all of them written or none.
using Values = std::vector<std::pair<std::string, std::string>>;
KIVO_WIN_API bool WriteValues(RegistryRoot root, std::string_view key, std::string_view section,
                              const Values& values);
KIVO_WIN_API bool Remove(RegistryRoot root, std::string_view key, std::string_view section,
                         std::string_view name);
// Creates the key (and section) if missing, as opening a settings key does.
KIVO_WIN_API bool CreateKey(RegistryRoot root, std::string_view key, std::string_view section);
KIVO_WIN_API bool KeyExists(RegistryRoot root, std::string_view key, std::string_view section);
// The file that holds the root's values, for messages about it.
KIVO_WIN_API std::string StoreFile(RegistryRoot root);

}  // namespace kivo::win::registry

// The handle-style reading interface some callers use. The unnamed (default) value of a key is
// the value with the empty name. A key exists when it was created or a key below it exists;
// the root handles and keys opened earlier serve as parents.
struct HKEY__;
using HKEY = HKEY__*;
KIVO_WIN_API extern const HKEY HKEY_CURRENT_USER;
KIVO_WIN_API extern const HKEY HKEY_LOCAL_MACHINE;
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t KEY_READ = 0x20019;

KIVO_WIN_API long RegOpenKeyExA(HKEY root, const char* subKey, uint32_t options, uint32_t access,
                                HKEY* result);
KIVO_WIN_API long RegQueryValueExA(HKEY key, const char* name, uint32_t* reserved, uint32_t* type,
                                   uint8_t* data, uint32_t* size);
KIVO_WIN_API long RegCloseKey(HKEY key);
