#pragma once

#include <cstdint>

namespace kivo::link {

// The 16-bit result of every link operation: 0 success, a positive value a driver error.
using LinkStatus = int16_t;

inline constexpr LinkStatus kOk = 0;
inline constexpr LinkStatus kRefused = -1;  // empty file, no card, a refused format step
inline constexpr LinkStatus kShortWrite = 19;
inline constexpr LinkStatus kShortRead = 20;
inline constexpr LinkStatus kCancelled = -101;
inline constexpr LinkStatus kPlayerAborted = -103;
inline constexpr LinkStatus kPcFileFailed = -115;

}  // namespace kivo::link
