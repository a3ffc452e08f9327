#include "platform/win/memory_status.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

uint64_t MemAvailable() {
    std::ifstream meminfo("/proc/meminfo");
    std::string name, unit;
    uint64_t kilobytes = 0;
    while (meminfo >> name >> kilobytes >> unit)
        if (name == "MemAvailable:")
            return kilobytes * 1024;
    return 0;
}

TEST(AvailableProcessMemory, IsTheSystemsAvailableMemoryWithoutALimit) {
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
    if (limit.rlim_cur != RLIM_INFINITY)
        GTEST_SKIP() << "the test runs under an address-space limit";
    const uint64_t available = AvailableProcessMemory();
    EXPECT_GT(available, 0u);
    // Read a moment apart: the same figure within a few megabytes.
    const uint64_t system = MemAvailable();
    EXPECT_LT(available > system ? available - system : system - available, 64u << 20);
}

TEST(AvailableProcessMemory, AnAddressSpaceLimitBoundsIt) {
    // In a child, so that the limit never reaches the test program.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        uint64_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const uint64_t mapped = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = mapped + (16u << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(2);
        const uint64_t available = AvailableProcessMemory();
        _exit(available <= (16u << 20) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(AvailableProcessMemory, TestsSetTheAnswer) {
    {
        ScopedAvailableMemory small(1000);
        EXPECT_EQ(AvailableProcessMemory(), 1000u);
        {
            ScopedAvailableMemory none(0);
            EXPECT_EQ(AvailableProcessMemory(), 0u);
        }
        EXPECT_EQ(AvailableProcessMemory(), 1000u);
    }
    EXPECT_NE(AvailableProcessMemory(), 1000u);
}

}  // namespace
