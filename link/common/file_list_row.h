#pragma once

#include "link/common/link_state.h"
#include "platform/win/types.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivo::link {

inline constexpr uint8_t kEndOfList = 255;
inline constexpr uint8_t kSkippedEntry = 0;
inline constexpr uint8_t kMp3Type = 1;
inline constexpr uint8_t kPhoneBookType = 2;
inline constexpr uint8_t kVoiceType = 3;
inline constexpr uint8_t kBitRateCodes = 15;
inline constexpr unsigned kNameBufferBytes = 1024;

extern const std::array<uint16_t, kBitRateCodes> kBitRateTable;

// One file-list entry as the player sends it; the name in the player's code page.
struct DeviceFileEntry {
    uint8_t index = 0;
    uint8_t type = 0;
    int32_t size = 0;
    std::array<char, kNameBufferBytes> name{};
    uint8_t bitRateCode = 0;
};

// Column 2: the type text for a file type and its (UTF-8) name.
std::string FileTypeText(uint8_t type, std::string_view name);

// Column 5: "%.2d:%.2d:%.2d" or " ".
std::string PlayTimeText(uint8_t type, int32_t size, uint8_t bitRateCode);

// Appends the entry's six-column row to the list view, notes a telephone book and gives an MP3
// not yet in the play order the next position.
void AddFileListRow(LinkState& state, HWND listView, const DeviceFileEntry& entry);

}  // namespace kivo::link
