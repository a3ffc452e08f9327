#include "platform/win/registry.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unordered_map>

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "; kivo registry 1";
constexpr const char* kTrailer = "; end";

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string KeyPath(std::string_view key, std::string_view section) {
    std::string path(key);
    if (!section.empty()) path.append("\\").append(section);
    return path;
}

// Names and values keep every byte: backslash, line breaks and "=" are escaped.
std::string Escape(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '=': out += "\\e"; break;
            case ']': out += "\\b"; break;
            default: out += c;
        }
    }
    return out;
}

bool Unescape(std::string_view s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i == s.size()) return false;
        switch (s[i]) {
            case '\\': out += '\\'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 'e': out += '='; break;
            case 'b': out += ']'; break;
            default: return false;
        }
    }
    return true;
}

struct Key {
    std::string name;
    // Lower-cased value name -> (name as written, value).
    std::map<std::string, std::pair<std::string, std::string>> values;
};

struct Store {
    std::map<std::string, Key> keys;  // by lower-cased path
    bool unreadable = false;
};

fs::path Directory() {
    if (const char* d = std::getenv("KIVO_REGISTRY_DIR"); d && *d) return d;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return fs::path(x) / "kivo";
    if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h) / ".config" / "kivo";
    return fs::path(".kivo");
}

fs::path FileOf(RegistryRoot root) {
    return Directory() /
           (root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER.reg" : "HKEY_LOCAL_MACHINE.reg");
}

bool Parse(std::istream& in, Store& store) {
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return false;
    Key* current = nullptr;
    bool ended = false;
    while (std::getline(in, line)) {
        if (ended) return false;
        if (line == kTrailer) {
            ended = true;
        } else if (!line.empty() && line.front() == '[' && line.back() == ']') {
            std::string name;
            if (!Unescape(std::string_view(line).substr(1, line.size() - 2), name)) return false;
            current = &store.keys[Lower(name)];
            current->name = name;
        } else {
            size_t eq = line.find('=');
            if (current == nullptr || eq == std::string::npos) return false;
            std::string name, value;
            if (!Unescape(std::string_view(line).substr(0, eq), name) ||
                !Unescape(std::string_view(line).substr(eq + 1), value))
                return false;
            current->values[Lower(name)] = {name, value};
        }
    }
    return ended;
}

Store Load(RegistryRoot root) {
    Store store;
    std::ifstream in(FileOf(root), std::ios::binary);
    if (!in) return store;
    if (!Parse(in, store)) {
        store = Store{};
        store.unreadable = true;
    }
    return store;
}

bool Save(RegistryRoot root, const Store& store) {
    fs::path file = FileOf(root);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (store.unreadable && fs::exists(file)) {
        // Keep the unreadable store for the user; never overwrite it.
        fs::path aside = file;
        aside += ".unreadable-" + std::to_string(::getpid()) + "-" +
                 std::to_string(std::time(nullptr));
        fs::rename(file, aside, ec);
        if (ec) return false;
    }
    std::ostringstream out;
    out << kHeader << '\n';
    for (const auto& [path, key] : store.keys) {
        out << '[' << Escape(key.name) << "]\n";
        for (const auto& [lower, entry] : key.values)
            out << Escape(entry.first) << '=' << Escape(entry.second) << '\n';
    }
    out << kTrailer << '\n';
    fs::path temp = file;
    temp += ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f << out.str();
        f.flush();
        if (!f) {
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, file, ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
}

}  // namespace

namespace registry {

std::optional<std::string> Read(RegistryRoot root, std::string_view key, std::string_view section,
                                std::string_view name) {
    Store store = Load(root);
    auto k = store.keys.find(Lower(KeyPath(key, section)));
    if (k == store.keys.end()) return std::nullopt;
    auto v = k->second.values.find(Lower(name));
    if (v == k->second.values.end()) return std::nullopt;
    return v->second.second;
}

bool Write(RegistryRoot root, std::string_view key, std::string_view section,
           std::string_view name, std::string_view value) {
    Store store = Load(root);
    std::string path = KeyPath(key, section);
    Key& k = store.keys[Lower(path)];
    if (k.name.empty()) k.name = path;
    k.values[Lower(name)] = {std::string(name), std::string(value)};
    return Save(root, store);
}

bool Remove(RegistryRoot root, std::string_view key, std::string_view section,
            std::string_view name) {
    Store store = Load(root);
    auto k = store.keys.find(Lower(KeyPath(key, section)));
    if (k == store.keys.end() || k->second.values.erase(Lower(name)) == 0) return false;
    return Save(root, store);
}

bool CreateKey(RegistryRoot root, std::string_view key, std::string_view section) {
    Store store = Load(root);
    std::string path = KeyPath(key, section);
    if (store.keys.count(Lower(path)) && !store.unreadable) return true;
    store.keys[Lower(path)].name = path;
    return Save(root, store);
}

bool KeyExists(RegistryRoot root, std::string_view key, std::string_view section) {
    return Load(root).keys.count(Lower(KeyPath(key, section))) != 0;
}

}  // namespace registry

namespace {

struct OpenKey {
    RegistryRoot root;
    std::string path;
};

std::unordered_map<HKEY, OpenKey>& OpenKeys() {
    static std::unordered_map<HKEY, OpenKey> keys;
    return keys;
}

uintptr_t nextKey = 0x1000;

bool RootOf(HKEY h, RegistryRoot& root) {
    if (h == HKEY_CURRENT_USER) root = RegistryRoot::CurrentUser;
    else if (h == HKEY_LOCAL_MACHINE) root = RegistryRoot::LocalMachine;
    else return false;
    return true;
}

}  // namespace

const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(0x80000001u);
const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(0x80000002u);

long RegOpenKeyExA(HKEY root, const char* subKey, uint32_t, uint32_t, HKEY* result) {
    RegistryRoot r;
    if (result == nullptr) return ERROR_INVALID_HANDLE;
    *result = nullptr;
    if (!RootOf(root, r)) return ERROR_INVALID_HANDLE;
    std::string path = subKey ? subKey : "";
    if (!registry::KeyExists(r, path, "")) return ERROR_FILE_NOT_FOUND;
    HKEY h = reinterpret_cast<HKEY>(nextKey += 4);
    OpenKeys()[h] = {r, path};
    *result = h;
    return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const char* name, uint32_t*, uint32_t* type, uint8_t* data,
                      uint32_t* size) {
    auto it = OpenKeys().find(key);
    if (it == OpenKeys().end()) return ERROR_INVALID_HANDLE;
    auto value = registry::Read(it->second.root, it->second.path, "", name ? name : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (type) *type = REG_SZ;
    uint32_t needed = static_cast<uint32_t>(value->size() + 1);
    if (size == nullptr) return data ? ERROR_INVALID_HANDLE : ERROR_SUCCESS;
    if (data == nullptr) {
        *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value->c_str(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

long RegCloseKey(HKEY key) {
    return OpenKeys().erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
