#pragma once

#include <cstdint>

namespace kivo::link {

struct Command {
    uint8_t code;
    uint32_t timeoutMs;
};

inline constexpr Command kUploadCommand{1, 60000};
inline constexpr Command kDownloadCommand{2, 40000};
inline constexpr Command kFileListCommand{3, 40000};
inline constexpr Command kMemoryInfoCommand{4, 3000};
inline constexpr Command kDeleteCommand{5, 40000};
inline constexpr Command kInitializeCommand{6, 60000};
inline constexpr Command kVersionCommand{7, 3000};
inline constexpr Command kStatusCommand{10, 100};
inline constexpr Command kWriteConfigCommand{11, 60000};
inline constexpr Command kWriteEncoderCommand{12, 60000};
inline constexpr Command kWriteDecoderCommand{13, 60000};
inline constexpr Command kWriteSerialCommand{14, 60000};
inline constexpr Command kGbNamesCommand{25, 3000};
inline constexpr Command kBig5NamesCommand{26, 3000};
inline constexpr Command kCardInfoCommand{32, 3000};
inline constexpr Command kCardEraseCommand{33, 3000};
inline constexpr Command kCardImageCommand{34, 3000};

}  // namespace kivo::link
