#include "platform/win/memory_status.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>

namespace {

std::optional<uint64_t> g_override;

// MemAvailable of /proc/meminfo: free memory and what the system can reclaim without swapping.
uint64_t SystemAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string name;
    uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> name >> kilobytes) {
        std::getline(meminfo, unit);
        if (name == "MemAvailable:")
            return kilobytes * 1024;
    }
    return 0;
}

uint64_t AddressSpaceLeft() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<uint64_t>::max();
    uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const uint64_t mapped = pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0;
}

}  // namespace

uint64_t AvailableProcessMemory() {
    if (g_override)
        return *g_override;
    return std::min(SystemAvailable(), AddressSpaceLeft());
}

ScopedAvailableMemory::ScopedAvailableMemory(uint64_t bytes) : previous_(g_override) {
    g_override = bytes;
}

ScopedAvailableMemory::~ScopedAvailableMemory() {
    g_override = previous_;
}
