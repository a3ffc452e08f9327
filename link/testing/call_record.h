#pragma once

#include "drivers/test_hooks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// The linked driver's test hooks: its record of calls, its injected failures and its
// player's control lines.
namespace kivo::link::testing {

inline std::vector<PxCallRecord> RecordedCalls() {
    std::vector<PxCallRecord> calls(PX_TestCallCount());
    for (uint32_t i = 0; i < calls.size(); ++i)
        PX_TestGetCall(i, &calls[i]);
    return calls;
}

inline size_t RecordedCount(const std::string& function) {
    size_t n = 0;
    for (const auto& c : RecordedCalls())
        n += function == c.function;
    return n;
}

inline void FailCall(const char* function, uint32_t occurrence, int64_t result, uint32_t lastError,
                     uint32_t done = 0) {
    PxFailure f{};
    std::strncpy(f.function, function, sizeof f.function - 1);
    f.occurrence = occurrence;
    f.result = result;
    f.lastError = lastError;
    f.done = done;
    PX_TestFailCall(&f);
}

// A line the embedded player refuses fails the test.
inline std::string Control(const std::string& line) {
    char reply[4096] = {};
    if (PX_TestControl(line.c_str(), reply, sizeof reply) != 0) {
        ADD_FAILURE() << "the player refused: " << line;
        return "failed: " + line;
    }
    return reply;
}

// The player counts what the PC did that a real player would not take (a wait cut short, a
// wrong code, bytes left unread, ...); the link must give it no cause. A reset forgets the
// count, so the tests check it before each.
inline void ExpectNoViolations() {
    EXPECT_EQ(Control("violations"), "0\n");
}

inline void CheckAndResetPlayer() {
    ExpectNoViolations();
    PX_TestReset();
}

}  // namespace kivo::link::testing
