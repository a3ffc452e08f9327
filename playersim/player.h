#pragma once

#include "playersim/store.h"
#include "playersim/wire.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The player's memories, files and settings, kept in a store after every change.
namespace kivo::playersim {

inline constexpr uint32_t kDefaultFlashUnits = 64u * 1024 * 1024 / kUnitBytes;

struct FileInfo {
    Memory memory = Memory::kFlash;
    uint8_t type = 0;
    std::vector<uint8_t> name;  // as sent, without the padding
    uint32_t size = 0;
    uint8_t bitRateCode = 0;
};

struct PlayerState {
    std::array<uint8_t, 4> version = {0, 1, 3, 0};
    uint32_t flashUnits = kDefaultFlashUnits;
    bool cardPresent = true;
    uint8_t maker = 0xEC;
    uint8_t device = 0x75;
    bool cardFormatted = true;
    uint8_t codePage = 0;  // last code-page command, 0 for none
    std::map<uint8_t, FileInfo> files;
};

class Player {
public:
    explicit Player(std::unique_ptr<Store> store);

    // Reloads the state when another process or library changed the store.
    void Refresh();
    const PlayerState& State() const { return state_; }
    // Where a store that could not be read was moved, with the reason; empty when none.
    const std::string& StoreProblem() const { return store_->Problem(); }
    std::string LockFolder() const { return store_->LockFolder(); }

    // Stores a new file under the lowest free index of its memory; 0 when there is no index
    // or no room (nothing stored then). The content is handed on to the store, never copied.
    uint8_t AddFile(Memory memory, uint8_t type, std::span<const uint8_t> name,
                    std::vector<uint8_t> content);
    // Stores a system file under its fixed index, replacing the old one; false when the Flash
    // has no room.
    bool PutSystemFile(uint8_t index, uint8_t type, std::span<const uint8_t> name,
                       std::vector<uint8_t> content);
    // Whether `size` bytes fit into `memory`, counting the room of the file at `replacing`.
    bool Fits(Memory memory, uint32_t size, uint8_t replacing) const;
    const FileInfo* Find(uint8_t index) const;
    std::vector<uint8_t> Content(uint8_t index) const;

    // Each change below is saved before it takes effect: false when the store cannot be
    // written, and then nothing changed, no file included. Removing a file that is not there
    // changes nothing and succeeds.
    bool Remove(uint8_t index);
    bool Clear(Memory memory);
    // Back to a new player: default settings, no files.
    bool Reset();
    bool SetVersion(std::array<uint8_t, 4> version);
    bool SetFlashUnits(uint32_t units);
    // Inserts a fresh card (formatted when its layout is known), or removes it.
    bool SetCard(bool present, uint8_t maker, uint8_t device);
    bool EraseCard();
    bool FormatCard();
    bool SetCodePage(uint8_t command);

    uint32_t TotalUnits(Memory memory) const;
    uint32_t FreeUnits(Memory memory) const;

private:
    // Saves the state as `edit` leaves it, then makes it the state and removes the content of
    // the files it no longer names; false, with nothing changed, when it cannot be saved.
    bool Change(const std::function<void(PlayerState&)>& edit);

    std::unique_ptr<Store> store_;
    PlayerState state_;
};

// The MPEG bit-rate index of the first frame of an MP3, 0 when none is found.
uint8_t Mp3BitRateCode(std::span<const uint8_t> content);

}  // namespace kivo::playersim
