#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo::playersim {

struct PlayerState;

// Where the player's state lives: in memory, or in a folder written atomically.
class Store {
public:
    virtual ~Store() = default;
    // The saved state, or none for a new store. A folder whose state cannot be read is moved
    // aside (see Problem) and counts as new.
    virtual std::optional<PlayerState> Load() = 0;
    // True when the saved state changed since the last Load or Save.
    virtual bool Changed() = 0;
    // False when the state could not be written; the old one is kept then.
    virtual bool Save(const PlayerState& state) = 0;
    virtual std::vector<uint8_t> ReadContent(uint8_t index) = 0;
    // Takes the content over, so that it is never held twice.
    virtual bool WriteContent(uint8_t index, std::vector<uint8_t>&& content) = 0;
    virtual void RemoveContent(uint8_t index) = 0;
    // The folder whose lock keeps one player per store (see StoreLock); empty for none.
    virtual std::string LockFolder() const { return {}; }
    const std::string& Problem() const { return problem_; }

protected:
    std::string problem_;
};

std::unique_ptr<Store> MakeMemoryStore();
std::unique_ptr<Store> MakeFolderStore(const std::filesystem::path& folder);

// The state as text and back; none when the text is not a valid state.
std::string FormatState(const PlayerState& state);
std::optional<PlayerState> ParseState(const std::string& text);

}  // namespace kivo::playersim
