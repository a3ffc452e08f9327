#pragma once

#include "bench/link/link_stack.h"

#include <cstdint>
#include <filesystem>

namespace kivo::bench {

// The pauses the player needs in an upload: after the memory type, and over USB after each
// block before its cancel code. Both paths keep them; the benchmark's clock passes over them.
inline constexpr uint32_t kAfterMemoryTypeMs = 500;
inline constexpr uint32_t kUsbAfterBlockMs = 10;

// The same driver calls an upload or a download makes through the library, and the same reads
// and writes of the PC file, without the link's layers: what is left between the two is the
// protocol stack's own cost.
bool RawUpload(const LinkStack& stack, const std::filesystem::path& source);
bool RawDownload(const LinkStack& stack, uint8_t index, const std::filesystem::path& target);

}  // namespace kivo::bench
