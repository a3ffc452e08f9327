#pragma once

#include "phonebook/TelFile.h"
#include "platform/win/lang.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// What the book fuzz targets share: the system language chosen by the first byte, a folder of
// their own, and the checks every read entry must pass.
namespace kivo::phonebook::fuzz {

// Sets the system language from the first byte and returns the bytes after it.
inline std::string_view ChooseLanguage(const uint8_t* data, size_t size) {
    static const char* const kLanguages[] = {"0409", "0412", "0411", "0804", "0404"};
    if (size == 0)
        return {};
    ::setenv("KIVO_LANGID", kLanguages[data[0] % std::size(kLanguages)], 1);
    return {reinterpret_cast<const char*>(data) + 1, size - 1};
}

inline const std::filesystem::path& Folder() {
    static const struct Owned {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("fuzz-book-" + std::to_string(::getpid()));
        Owned() { std::filesystem::create_directories(path); }
        ~Owned() { std::filesystem::remove_all(path); }
    } folder;
    return folder.path;
}

inline std::string WriteFile(const std::string& name, std::string_view bytes) {
    std::string path = (Folder() / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

inline bool IsTrimmedText(const std::string& text) {
    return IsValidUtf8(text) && Trimmed(text) == text;
}

// Saving the entries gives one record each, and loading that file again gives every entry with
// a name back.
inline void CheckSavedAndLoaded(const std::vector<Entry>& entries) {
    for (const auto& e : entries)
        if (!IsTrimmedText(e.name) || !IsTrimmedText(e.home) || !IsTrimmedText(e.office))
            std::abort();
    std::string saved = (Folder() / "saved.TEL").string();
    if (SaveTel(saved, entries) ||
        std::filesystem::file_size(saved) != entries.size() * kRecordSize)
        std::abort();
    FileEntries again = LoadTel(saved);
    size_t named = 0;
    for (const auto& e : entries)
        named += !e.name.empty();
    if (again.fault || again.entries.size() != named)
        std::abort();
}

}  // namespace kivo::phonebook::fuzz
