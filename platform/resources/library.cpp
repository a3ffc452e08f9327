#include "platform/resources/library.h"

#include "platform/resources/pack.h"
#include "platform/win/process.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

struct Library {
    std::map<uint16_t, std::string> strings;
    fs::path bitmaps;
};

struct Loaded {
    std::unordered_map<HMODULE, std::unique_ptr<Library>> libraries;
    uintptr_t next = 0x400000;
    std::string error;
};

Loaded& loaded() {
    static Loaded l;
    return l;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return out;
}

// A plain file name: no folder, nothing that climbs out of the pack folder.
bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool ReadFile(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

Library* Find(HMODULE module) {
    auto it = loaded().libraries.find(module);
    return it == loaded().libraries.end() ? nullptr : it->second.get();
}

// Keeps the cut at a character boundary: never half of a UTF-8 sequence.
size_t FittingLength(const std::string& text, size_t room) {
    if (text.size() <= room)
        return text.size();
    size_t n = room;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

}  // namespace

fs::path DataFolder() {
    return KIVO_DATA_DIR;
}

std::vector<fs::path> PackSearchPath() {
    std::vector<fs::path> folders;
    if (const char* dir = std::getenv("KIVO_PACK_DIR"); dir && *dir)
        folders.emplace_back(dir);
    folders.push_back(ProgramFolder());
    folders.push_back(DataFolder());
    return folders;
}

HMODULE LoadResourceLibrary(std::string_view name) {
    std::string& error = loaded().error;
    error.clear();
    std::string stem = Lower(name);
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".dll") == 0)
        stem.resize(stem.size() - 4);
    if (!PlainName(stem)) {
        error = std::string(name) + ": not a library name";
        return nullptr;
    }
    for (const fs::path& folder : PackSearchPath()) {
        fs::path pack = folder / (stem + ".pack");
        fs::path bitmaps = folder / stem;
        std::error_code ec;
        bool hasPack = fs::is_regular_file(pack, ec);
        bool hasBitmaps = fs::is_directory(bitmaps, ec);
        if (!hasPack && !hasBitmaps)
            continue;
        auto library = std::make_unique<Library>();
        if (hasPack) {
            std::string text;
            if (!ReadFile(pack, text)) {
                error = pack.string() + ": cannot be read";
                return nullptr;
            }
            kivo::resources::ParsedPack parsed = kivo::resources::ParsePack(text);
            if (!parsed.error.empty()) {
                // The translator's mistake must be found without a debugger.
                error = pack.string() + ": " + parsed.error;
                std::fprintf(stderr, "%s\n", error.c_str());
                return nullptr;
            }
            library->strings = std::move(parsed.strings);
        }
        if (hasBitmaps)
            library->bitmaps = bitmaps;
        HMODULE handle = reinterpret_cast<HMODULE>(loaded().next += 0x10000);
        loaded().libraries[handle] = std::move(library);
        return handle;
    }
    error = std::string(name) + ": not found";
    return nullptr;
}

void FreeResourceLibrary(HMODULE module) {
    loaded().libraries.erase(module);
}

const std::string& LastResourceError() {
    return loaded().error;
}

int LoadResourceString(HMODULE module, UINT id, char* buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return 0;
    buffer[0] = '\0';
    const Library* library = Find(module);
    if (library == nullptr || id > 0xFFFF)
        return 0;
    auto it = library->strings.find(static_cast<uint16_t>(id));
    if (it == library->strings.end())
        return 0;
    size_t n = FittingLength(it->second, static_cast<size_t>(size - 1));
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

std::string ResourceString(HMODULE module, UINT id) {
    char buffer[1024];
    int n = LoadResourceString(module, id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(n));
}

std::optional<std::vector<uint8_t>> ResourceBitmap(HMODULE module, std::string_view name) {
    const Library* library = Find(module);
    if (library == nullptr || library->bitmaps.empty() || !PlainName(name))
        return std::nullopt;
    std::string bytes;
    if (!ReadFile(library->bitmaps / (Upper(name) + ".bmp"), bytes))
        return std::nullopt;
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
