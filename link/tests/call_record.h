#pragma once

#include "platform/pxdll/px_common.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kivo::link::testing {

// One driver's test hooks: its record of calls, its injected failures and its player's
// control lines. Both drivers have the same hooks under their own prefix.
struct DriverHooks {
    uint32_t (*callCount)();
    int32_t (*getCall)(uint32_t index, PxCallRecord* record);
    void (*failCall)(const PxFailure* failure);
    uint32_t (*control)(const char* line, char* reply, uint32_t replySize);
};

inline std::vector<PxCallRecord> RecordedCalls(const DriverHooks& driver) {
    std::vector<PxCallRecord> calls(driver.callCount());
    for (uint32_t i = 0; i < calls.size(); ++i)
        driver.getCall(i, &calls[i]);
    return calls;
}

inline size_t RecordedCount(const DriverHooks& driver, const std::string& function) {
    size_t n = 0;
    for (const auto& c : RecordedCalls(driver))
        n += function == c.function;
    return n;
}

inline void FailCall(const DriverHooks& driver, const char* function, uint32_t occurrence,
                     int64_t result, uint32_t lastError, uint32_t done = 0) {
    PxFailure f{};
    std::strncpy(f.function, function, sizeof f.function - 1);
    f.occurrence = occurrence;
    f.result = result;
    f.lastError = lastError;
    f.done = done;
    driver.failCall(&f);
}

// A line the embedded player refuses fails the test.
inline std::string Control(const DriverHooks& driver, const std::string& line) {
    char reply[4096] = {};
    if (driver.control(line.c_str(), reply, sizeof reply) != 0) {
        ADD_FAILURE() << "the player refused: " << line;
        return "failed: " + line;
    }
    return reply;
}

}  // namespace kivo::link::testing
