#include "platform/win/registry.h"

#include "platform/win/file_write.h"
#include "platform/win/home.h"
#include "platform/win/registry_store.h"
#include "platform/win/regular_file.h"
#include "platform/win/unique_fd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <unordered_map>

namespace fs = std::filesystem;
using kivo::win::UniqueFd;
using kivo::win::registry::store::FoldCase;
using kivo::win::registry::store::KeyPath;
using kivo::win::registry::store::Store;

namespace {

enum class LoadState { Missing, Parsed, Unparsable, Unreadable };

struct Loaded {
    Store store;
    LoadState state = LoadState::Missing;
    int error = 0;  // why an unreadable store could not be read
};

fs::path Directory() {
    if (const char* d = std::getenv("KIVO_REGISTRY_DIR"); d && *d)
        return d;
    return kivo::win::XdgFolder("XDG_CONFIG_HOME", ".config") / "kivo";
}

fs::path FileOf(RegistryRoot root) {
    return Directory() /
           (root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER.reg" : "HKEY_LOCAL_MACHINE.reg");
}

bool ReadAll(int fd, std::string& out) {
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

Loaded Load(RegistryRoot root) {
    Loaded loaded;
    UniqueFd fd = kivo::win::OpenRegularFile(FileOf(root).c_str(), O_RDONLY);
    if (!fd) {
        loaded.state = errno == ENOENT ? LoadState::Missing : LoadState::Unreadable;
        loaded.error = errno;
        return loaded;
    }
    std::string text;
    if (!ReadAll(fd.get(), text)) {
        loaded.state = LoadState::Unreadable;
        loaded.error = errno;
    } else {
        loaded.state = kivo::win::registry::store::Parse(text, loaded.store)
                           ? LoadState::Parsed
                           : LoadState::Unparsable;
    }
    return loaded;
}

// Serialises the read-modify-write of a root between processes (the explorer and the
// telephone book write the same root).
class StoreLock {
public:
    explicit StoreLock(RegistryRoot root) {
        fs::path lock = FileOf(root);
        lock += ".lock";
        std::error_code ec;
        fs::create_directories(lock.parent_path(), ec);
        fd_ = UniqueFd(::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (fd_) {
            while (::flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }

private:
    UniqueFd fd_;
};

// Keeps an unparsable store under a name of its own; an earlier one is never replaced.
bool MoveAside(const fs::path& file) {
    std::string base = file.string() + ".unreadable-" + std::to_string(std::time(nullptr));
    for (int n = 0; n < 1000; ++n) {
        std::string aside = n == 0 ? base : base + "-" + std::to_string(n);
        if (::link(file.c_str(), aside.c_str()) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Replaces the store as a whole: a crash leaves the old or the new store, never a mixture.
bool Save(RegistryRoot root, const Loaded& loaded) {
    if (loaded.state == LoadState::Unreadable) {
        errno = loaded.error;
        return false;
    }
    fs::path file = FileOf(root);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (loaded.state == LoadState::Unparsable && !MoveAside(file))
        return false;
    return kivo::win::ReplaceFile(file, kivo::win::registry::store::Serialize(loaded.store), 0600);
}

bool KeyIn(const Store& store, const std::string& folded) {
    if (folded.empty() || store.keys.count(folded))
        return true;
    // A key exists when a key below it does.
    auto below = store.keys.lower_bound(folded + '\\');
    return below != store.keys.end() &&
           below->first.compare(0, folded.size() + 1, folded + '\\') == 0;
}

}  // namespace

namespace kivo::win::registry {

std::optional<std::string> Read(RegistryRoot root, std::string_view key, std::string_view section,
                                std::string_view name) {
    Loaded loaded = Load(root);
    auto k = loaded.store.keys.find(FoldCase(KeyPath(key, section)));
    if (k == loaded.store.keys.end())
        return std::nullopt;
    auto v = k->second.values.find(FoldCase(name));
    if (v == k->second.values.end())
        return std::nullopt;
    return v->second.second;
}

bool Write(RegistryRoot root, std::string_view key, std::string_view section, std::string_view name,
           std::string_view value) {
    return WriteValues(root, key, section, {{std::string(name), std::string(value)}});
}

bool WriteValues(RegistryRoot root, std::string_view key, std::string_view section,
                 const Values& values) {
    StoreLock lock(root);
    Loaded loaded = Load(root);
    std::string path = KeyPath(key, section);
    auto& k = loaded.store.keys[FoldCase(path)];
    if (k.name.empty())
        k.name = path;
    for (const auto& [name, value] : values)
        k.values[FoldCase(name)] = {name, value};
    return Save(root, loaded);
}

bool Remove(RegistryRoot root, std::string_view key, std::string_view section,
            std::string_view name) {
    StoreLock lock(root);
    Loaded loaded = Load(root);
    auto k = loaded.store.keys.find(FoldCase(KeyPath(key, section)));
    if (k == loaded.store.keys.end() || k->second.values.erase(FoldCase(name)) == 0)
        return false;
    return Save(root, loaded);
}

bool CreateKey(RegistryRoot root, std::string_view key, std::string_view section) {
    StoreLock lock(root);
    Loaded loaded = Load(root);
    std::string path = KeyPath(key, section);
    if (loaded.state == LoadState::Parsed && KeyIn(loaded.store, FoldCase(path)))
        return true;
    auto& k = loaded.store.keys[FoldCase(path)];
    if (k.name.empty())
        k.name = path;
    return Save(root, loaded);
}

bool KeyExists(RegistryRoot root, std::string_view key, std::string_view section) {
    return KeyIn(Load(root).store, FoldCase(KeyPath(key, section)));
}

std::string StoreFile(RegistryRoot root) {
    return FileOf(root).string();
}

}  // namespace kivo::win::registry

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

// A root handle or a key opened earlier, as the parent of a subkey.
bool Resolve(HKEY h, OpenKey& key) {
    if (h == HKEY_CURRENT_USER) {
        key = {RegistryRoot::CurrentUser, ""};
    } else if (h == HKEY_LOCAL_MACHINE) {
        key = {RegistryRoot::LocalMachine, ""};
    } else {
        auto it = OpenKeys().find(h);
        if (it == OpenKeys().end())
            return false;
        key = it->second;
    }
    return true;
}

}  // namespace

const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(0x80000001u);
const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(0x80000002u);

long RegOpenKeyExA(HKEY root, const char* subKey, uint32_t, uint32_t, HKEY* result) {
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenKey parent;
    if (!Resolve(root, parent))
        return ERROR_INVALID_HANDLE;
    std::string path = KeyPath(parent.path, subKey ? subKey : "");
    if (!kivo::win::registry::KeyExists(parent.root, path, ""))
        return ERROR_FILE_NOT_FOUND;
    HKEY h = reinterpret_cast<HKEY>(nextKey += 4);
    OpenKeys()[h] = {parent.root, path};
    *result = h;
    return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const char* name, uint32_t*, uint32_t* type, uint8_t* data,
                      uint32_t* size) {
    OpenKey open;
    if (!Resolve(key, open))
        return ERROR_INVALID_HANDLE;
    if (data != nullptr && size == nullptr)
        return ERROR_INVALID_PARAMETER;
    auto value = kivo::win::registry::Read(open.root, open.path, "", name ? name : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = REG_SZ;
    uint32_t needed = static_cast<uint32_t>(value->size() + 1);
    if (size == nullptr)
        return ERROR_SUCCESS;
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
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    return OpenKeys().erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
