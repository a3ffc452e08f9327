#pragma once

#include "platform/win/types.h"

#include <array>
#include <cstdint>

namespace kivo::link {

inline constexpr unsigned kConfigAreaBytes = 252;
inline constexpr unsigned kPlayOrderEntries = 250;
inline constexpr int32_t kNoChannel = -1;

// The state one link library keeps for the whole process.
struct LinkState {
    int32_t ChannelHandle = kNoChannel;
    uint32_t OperationTimeout = 0;
    int16_t EcpEmulation = 0;
    HWND ProgressWindow = nullptr;
    uint8_t TransferCancelCode = 0;
    int16_t ConvertCancelFlag = 0;
    // Up to 17 characters ("%.1d" of four signed bytes) and the terminator.
    std::array<char, 18> PlayerVersionText{};
    std::array<uint8_t, kConfigAreaBytes> ConfigArea{};
    int16_t PlayOrderCount = 0;
    int16_t PhoneBookIndex = 0;
    int64_t InternalTotalBytes = 0;
    int64_t InternalFreeBytes = 0;
    int64_t ExternalTotalBytes = 0;
    int64_t ExternalFreeBytes = 0;
    // Code page of the player's file names; 0 follows the system language. Set when the
    // player is told to use GB or BIG5 names.
    uint32_t NameCodePage = 0;
};

}  // namespace kivo::link
