#pragma once

#include "platform/resources/api.h"
#include "platform/win/types.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Resource-only libraries: the language packs and the image pack that the programs load by
// their original names ("textpacken.DLL", "textpackkr.DLL", "artpack.DLL").
//
// A library named "<stem>.DLL" (any case of the suffix; the stem is taken in lower case) is the
// text pack "<stem>.pack" (see pack.h) and the folder "<stem>/" of bitmap files "<NAME>.bmp",
// the name in upper case; either may be absent. It is looked up in $KIVO_PACK_DIR when set,
// then in the program's own folder, then in the installed data folder (DataFolder()); the first
// folder that holds either part is used.

// The installed data folder, <prefix>/share/kivo.
KIVO_RES_API std::filesystem::path DataFolder();
KIVO_RES_API std::vector<std::filesystem::path> PackSearchPath();

// 0 when the library is nowhere or its text pack cannot be read; LastResourceError() then says
// why. A name with a folder in it is refused.
KIVO_RES_API HMODULE LoadResourceLibrary(std::string_view name);
KIVO_RES_API void FreeResourceLibrary(HMODULE module);
KIVO_RES_API const std::string& LastResourceError();

// Copies the string into the buffer, at most size - 1 bytes cut at a character boundary, and
// ends it with a zero; returns the bytes copied. A missing string or module gives 0 (an empty
// text).
KIVO_RES_API int LoadResourceString(HMODULE module, UINT id, char* buffer, int size);
// The string as read into a buffer of 1024 bytes: at most 1023 bytes.
KIVO_RES_API std::string ResourceString(HMODULE module, UINT id);

// The bytes of the bitmap file; nothing when the module or the bitmap is missing.
KIVO_RES_API std::optional<std::vector<uint8_t>> ResourceBitmap(HMODULE module,
                                                                std::string_view name);

// Owns a loaded library for its lifetime.
class ResourceLibrary {
public:
    ResourceLibrary() = default;
    explicit ResourceLibrary(std::string_view name) : module_(LoadResourceLibrary(name)) {}
    ~ResourceLibrary() { FreeResourceLibrary(module_); }
    ResourceLibrary(ResourceLibrary&& other) noexcept : module_(other.module_) {
        other.module_ = nullptr;
    }
    ResourceLibrary& operator=(ResourceLibrary&& other) noexcept {
        if (this != &other) {
            FreeResourceLibrary(module_);
            module_ = other.module_;
            other.module_ = nullptr;
        }
        return *this;
    }
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;

    HMODULE handle() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    std::string String(UINT id) const { return ResourceString(module_, id); }
    std::optional<std::vector<uint8_t>> Bitmap(std::string_view name) const {
        return ResourceBitmap(module_, name);
    }

private:
    HMODULE module_ = nullptr;
};
