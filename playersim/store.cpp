#include "playersim/store.h"

#include "platform/win/file_write.h"
#include "playersim/player.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include "playersim/format.h"

namespace kivo::playersim {
namespace {

constexpr const char* kStateFile = "player.state";
constexpr const char* kHeader = "kivo-player-state 1";

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (uint8_t b : bytes) {
        out += Format("{:02x}", b);
    }
    return out.empty() ? "-" : out;
}

std::optional<std::vector<uint8_t>> Unhex(const std::string& text) {
    std::vector<uint8_t> out;
    if (text == "-") {
        return out;
    }
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        if (std::sscanf(text.c_str() + i, "%2x", &value) != 1) {
            return std::nullopt;
        }
        out.push_back(static_cast<uint8_t>(value));
    }
    return out;
}

class MemoryStore : public Store {
public:
    std::optional<PlayerState> Load() override { return std::nullopt; }
    bool Changed() override { return false; }
    bool Save(const PlayerState&) override { return true; }
    std::vector<uint8_t> ReadContent(uint8_t index) override { return contents_[index]; }
    bool WriteContent(uint8_t index, std::vector<uint8_t>&& content) override {
        contents_[index] = std::move(content);
        return true;
    }
    void RemoveContent(uint8_t index) override { contents_.erase(index); }

private:
    std::map<uint8_t, std::vector<uint8_t>> contents_;
};

class FolderStore : public Store {
public:
    explicit FolderStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

    std::optional<PlayerState> Load() override {
        std::error_code error;
        std::filesystem::create_directories(folder_, error);
        // Another process may replace the state while it is read: only a state that stays
        // the same and still does not fit its files is unreadable.
        for (;;) {
            Stamp(seen_);
            std::ifstream in(folder_ / kStateFile, std::ios::binary);
            if (!in) {
                return std::nullopt;
            }
            const std::string text{std::istreambuf_iterator<char>(in), {}};
            std::optional<PlayerState> state = ParseState(text);
            if (state && ContentsMatch(*state)) {
                return state;
            }
            if (!Changed()) {
                break;
            }
        }
        MoveAside();
        return std::nullopt;
    }

    bool Changed() override {
        std::string now;
        Stamp(now);
        return now != seen_;
    }

    bool Save(const PlayerState& state) override {
        const std::string text = FormatState(state);
        // Replaced as a whole, so a reader sees the old or the new file.
        const bool written = win::ReplaceFile(folder_ / kStateFile, text);
        Stamp(seen_);
        return written;
    }

    std::vector<uint8_t> ReadContent(uint8_t index) override {
        std::ifstream in(ContentPath(index), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    bool WriteContent(uint8_t index, std::vector<uint8_t>&& content) override {
        return win::ReplaceFile(ContentPath(index),
                                {reinterpret_cast<const char*>(content.data()), content.size()});
    }

    std::string LockFolder() const override { return folder_.string(); }

    void RemoveContent(uint8_t index) override {
        std::error_code ignored;
        std::filesystem::remove(ContentPath(index), ignored);
    }

private:
    std::filesystem::path ContentPath(uint8_t index) const {
        return folder_ / Format("file-{:03}.bin", index);
    }

    bool ContentsMatch(const PlayerState& state) const {
        for (const auto& [index, file] : state.files) {
            std::error_code error;
            const auto size = std::filesystem::file_size(ContentPath(index), error);
            if (error || size != file.size) {
                return false;
            }
        }
        return true;
    }

    // Keeps every file of the unreadable store in a folder of its own and starts afresh.
    void MoveAside() {
        std::filesystem::path aside;
        for (int n = 1;; ++n) {
            aside = folder_ / Format("unreadable-{}", n);
            if (!std::filesystem::exists(aside)) {
                break;
            }
        }
        std::error_code error;
        std::filesystem::create_directory(aside, error);
        for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
            const std::string name = entry.path().filename().string();
            if (name == kStateFile || name.starts_with("file-")) {
                std::filesystem::rename(entry.path(), aside / name, error);
            }
        }
        problem_ = Format("the player state in {} could not be read; it was moved to {}",
                          folder_.string(), aside.string());
        Stamp(seen_);
    }

    void Stamp(std::string& stamp) const {
        struct stat info {};
        if (::stat((folder_ / kStateFile).c_str(), &info) != 0) {
            stamp = "none";
            return;
        }
        stamp = Format("{} {} {} {}", info.st_ino, info.st_size, info.st_mtim.tv_sec,
                       info.st_mtim.tv_nsec);
    }

    std::filesystem::path folder_;
    std::string seen_;
};

}  // namespace

std::unique_ptr<Store> MakeMemoryStore() {
    return std::make_unique<MemoryStore>();
}

std::unique_ptr<Store> MakeFolderStore(const std::filesystem::path& folder) {
    return std::make_unique<FolderStore>(folder);
}

std::string FormatState(const PlayerState& s) {
    std::string out = Format("{}\nversion {} {} {} {}\nflash {}\n", kHeader, s.version[0],
                             s.version[1], s.version[2], s.version[3], s.flashUnits);
    out += Format("card {} {:02x} {:02x} {}\ncodepage {}\n", s.cardPresent ? 1 : 0, s.maker,
                  s.device, s.cardFormatted ? 1 : 0, s.codePage);
    for (const auto& [index, f] : s.files) {
        out += Format("file {} {} {} {} {} {}\n", index, static_cast<int>(f.memory), f.type, f.size,
                      f.bitRateCode, Hex(f.name));
    }
    return out;
}

std::optional<PlayerState> ParseState(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        return std::nullopt;
    }
    PlayerState s;
    s.files.clear();
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "version") {
            for (uint8_t& digit : s.version) {
                unsigned v = 256;
                words >> v;
                if (v > 255) {
                    return std::nullopt;
                }
                digit = static_cast<uint8_t>(v);
            }
        } else if (key == "flash") {
            words >> s.flashUnits;
        } else if (key == "card") {
            unsigned present = 2, maker = 256, device = 256, formatted = 2;
            words >> present >> std::hex >> maker >> device >> std::dec >> formatted;
            if (present > 1 || maker > 255 || device > 255 || formatted > 1) {
                return std::nullopt;
            }
            s.cardPresent = present == 1;
            s.maker = static_cast<uint8_t>(maker);
            s.device = static_cast<uint8_t>(device);
            s.cardFormatted = formatted == 1;
        } else if (key == "codepage") {
            unsigned page = 256;
            words >> page;
            if (page > 255) {
                return std::nullopt;
            }
            s.codePage = static_cast<uint8_t>(page);
        } else if (key == "file") {
            unsigned index = 0, memory = 2, type = 256, rate = 256;
            uint32_t size = 0;
            std::string name;
            words >> index >> memory >> type >> size >> rate >> name;
            std::optional<std::vector<uint8_t>> bytes = Unhex(name);
            if (index < 1 || index > 254 || memory > 1 || type > 255 || rate > 255 || !bytes ||
                bytes->size() > kNameBytes || s.files.contains(static_cast<uint8_t>(index))) {
                return std::nullopt;
            }
            s.files[static_cast<uint8_t>(index)] =
                FileInfo{static_cast<Memory>(memory), static_cast<uint8_t>(type), std::move(*bytes),
                         size, static_cast<uint8_t>(rate)};
        } else {
            return std::nullopt;
        }
        if (words.fail()) {
            return std::nullopt;
        }
    }
    return s;
}

}  // namespace kivo::playersim
