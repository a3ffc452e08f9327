#pragma once

#include "platform/win/api.h"

#include <cstdint>
#include <optional>

// The memory this process can still take, in bytes: the smaller of the system's available
// memory and what an address-space limit on the process leaves beside what it has mapped.
// Stands in for the available virtual address space of the memory status, which on a 64-bit
// system is so large that it says nothing about what a conversion can hold.
KIVO_WIN_API uint64_t AvailableProcessMemory();

// For tests: AvailableProcessMemory answers `bytes` while the object lives.
class KIVO_WIN_API ScopedAvailableMemory {
public:
    explicit ScopedAvailableMemory(uint64_t bytes);
    ~ScopedAvailableMemory();
    ScopedAvailableMemory(const ScopedAvailableMemory&) = delete;
    ScopedAvailableMemory& operator=(const ScopedAvailableMemory&) = delete;

private:
    std::optional<uint64_t> previous_;
};
