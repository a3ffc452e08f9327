#include "playersim/player.h"

#include "playersim/card_table.h"

namespace kivo::playersim {
namespace {

constexpr uint8_t kFirstFlashIndex = 6;
constexpr uint8_t kLastFlashIndex = 130;
constexpr uint8_t kFirstCardIndex = 131;
constexpr uint8_t kLastCardIndex = 254;

void DropFiles(PlayerState& state, Memory memory) {
    std::erase_if(state.files,
                  [memory](const auto& entry) { return entry.second.memory == memory; });
}

}  // namespace

Player::Player(std::unique_ptr<Store> store) : store_(std::move(store)) {
    if (std::optional<PlayerState> saved = store_->Load()) {
        state_ = std::move(*saved);
    }
}

void Player::Refresh() {
    if (!store_->Changed()) {
        return;
    }
    if (std::optional<PlayerState> saved = store_->Load()) {
        state_ = std::move(*saved);
    }
}

uint32_t Player::TotalUnits(Memory memory) const {
    if (memory == Memory::kFlash) {
        return state_.flashUnits;
    }
    if (!state_.cardPresent || !state_.cardFormatted) {
        return 0;
    }
    return static_cast<uint32_t>(CardCapacityBytes(state_.maker, state_.device) / kUnitBytes);
}

uint32_t Player::FreeUnits(Memory memory) const {
    uint64_t used = 0;
    for (const auto& [index, file] : state_.files) {
        if (file.memory == memory) {
            used += UnitsOf(file.size);
        }
    }
    const uint32_t total = TotalUnits(memory);
    return used >= total ? 0 : static_cast<uint32_t>(total - used);
}

bool Player::Fits(Memory memory, uint32_t size, uint8_t replacing) const {
    uint64_t free = FreeUnits(memory);
    if (const FileInfo* old = Find(replacing); old != nullptr && old->memory == memory) {
        free += UnitsOf(old->size);
    }
    return UnitsOf(size) <= free;
}

uint8_t Player::AddFile(Memory memory, uint8_t type, std::span<const uint8_t> name,
                        std::vector<uint8_t> content) {
    if (memory != Memory::kFlash && memory != Memory::kCard) {
        return 0;
    }
    if (!Fits(memory, static_cast<uint32_t>(content.size()), 0)) {
        return 0;
    }
    const bool flash = memory == Memory::kFlash;
    const unsigned first = flash ? kFirstFlashIndex : kFirstCardIndex;
    const unsigned last = flash ? kLastFlashIndex : kLastCardIndex;
    for (unsigned i = first; i <= last; ++i) {
        const auto index = static_cast<uint8_t>(i);
        if (state_.files.contains(index)) {
            continue;
        }
        const uint8_t rate = type == 1 ? Mp3BitRateCode(content) : 0;
        const auto size = static_cast<uint32_t>(content.size());
        if (!store_->WriteContent(index, std::move(content))) {
            return 0;
        }
        state_.files[index] = FileInfo{memory, type, {name.begin(), name.end()}, size, rate};
        if (!store_->Save(state_)) {
            state_.files.erase(index);
            store_->RemoveContent(index);
            return 0;
        }
        return index;
    }
    return 0;
}

bool Player::PutSystemFile(uint8_t index, uint8_t type, std::span<const uint8_t> name,
                           std::vector<uint8_t> content) {
    if (!Fits(Memory::kFlash, static_cast<uint32_t>(content.size()), index)) {
        return false;
    }
    const std::map<uint8_t, FileInfo> before = state_.files;
    // The new content replaces the old one before the state names it: keep the old bytes to
    // put back when the state cannot be saved, so the old file stays whole.
    const bool existed = Find(index) != nullptr;
    std::vector<uint8_t> oldContent = existed ? store_->ReadContent(index) : std::vector<uint8_t>{};
    const auto size = static_cast<uint32_t>(content.size());
    if (!store_->WriteContent(index, std::move(content))) {
        return false;
    }
    state_.files[index] = FileInfo{Memory::kFlash, type, {name.begin(), name.end()}, size, 0};
    if (!store_->Save(state_)) {
        state_.files = before;
        if (existed) {
            store_->WriteContent(index, std::move(oldContent));
        } else {
            store_->RemoveContent(index);
        }
        return false;
    }
    return true;
}

const FileInfo* Player::Find(uint8_t index) const {
    const auto it = state_.files.find(index);
    return it == state_.files.end() ? nullptr : &it->second;
}

std::vector<uint8_t> Player::Content(uint8_t index) const {
    const FileInfo* file = Find(index);
    if (file == nullptr) {
        return {};
    }
    std::vector<uint8_t> content = store_->ReadContent(index);
    content.resize(file->size);
    return content;
}

bool Player::Remove(uint8_t index) {
    return !state_.files.contains(index) ||
           Change([index](PlayerState& next) { next.files.erase(index); });
}

bool Player::Clear(Memory memory) {
    return Change([memory](PlayerState& next) { DropFiles(next, memory); });
}

bool Player::Reset() {
    return Change([](PlayerState& next) { next = PlayerState{}; });
}

bool Player::SetVersion(std::array<uint8_t, 4> version) {
    return Change([version](PlayerState& next) { next.version = version; });
}

bool Player::SetFlashUnits(uint32_t units) {
    return Change([units](PlayerState& next) { next.flashUnits = units; });
}

bool Player::SetCard(bool present, uint8_t maker, uint8_t device) {
    return Change([=](PlayerState& next) {
        DropFiles(next, Memory::kCard);
        next.cardPresent = present;
        next.maker = present ? maker : 0;
        next.device = present ? device : 0;
        next.cardFormatted = present && CardLayoutOf(maker, device).has_value();
    });
}

bool Player::EraseCard() {
    return Change([](PlayerState& next) {
        DropFiles(next, Memory::kCard);
        next.cardFormatted = false;
    });
}

bool Player::FormatCard() {
    return Change([](PlayerState& next) {
        DropFiles(next, Memory::kCard);
        next.cardFormatted = true;
    });
}

bool Player::SetCodePage(uint8_t command) {
    return Change([command](PlayerState& next) { next.codePage = command; });
}

bool Player::Change(const std::function<void(PlayerState&)>& edit) {
    PlayerState next = state_;
    edit(next);
    if (!store_->Save(next)) {
        return false;
    }
    std::vector<uint8_t> gone;
    for (const auto& [index, file] : state_.files) {
        if (!next.files.contains(index)) {
            gone.push_back(index);
        }
    }
    state_ = std::move(next);
    // Only after the saved state no longer names them, so a failure leaves no state that
    // names a missing file.
    for (uint8_t index : gone) {
        store_->RemoveContent(index);
    }
    return true;
}

uint8_t Mp3BitRateCode(std::span<const uint8_t> content) {
    size_t start = 0;
    // An ID3v2 tag in front: 10 header bytes, then a size of four 7-bit bytes.
    if (content.size() >= 10 && content[0] == 'I' && content[1] == 'D' && content[2] == '3') {
        start = 10 + ((size_t{content[6]} & 0x7F) << 21 | (size_t{content[7]} & 0x7F) << 14 |
                      (size_t{content[8]} & 0x7F) << 7 | (size_t{content[9]} & 0x7F));
    }
    const size_t end = std::min(content.size(), start + 65536);
    for (size_t i = start; i + 2 < end; ++i) {
        // Frame sync, MPEG-1, Layer III, and a bit-rate index that is not "bad".
        if (content[i] == 0xFF && (content[i + 1] & 0xFE) == 0xFA &&
            (content[i + 2] >> 4) != 0x0F) {
            return static_cast<uint8_t>(content[i + 2] >> 4);
        }
    }
    return 0;
}

}  // namespace kivo::playersim
