#pragma once

#include "drivers/pxapi.h"
#include "link/testing/call_record.h"

#include <string>
#include <vector>

namespace kivo::link::testing {

// PXAPI's record of its calls and its injected failures, for tests against the embedded player.
inline std::vector<PxCallRecord> PxapiCalls() {
    return RecordedCalls();
}

// Every call but the error queries, which the record may or may not list.
inline std::vector<std::string> PxapiCallNames() {
    std::vector<std::string> names;
    for (const auto& c : PxapiCalls()) {
        if (std::string(c.function) != "PX_GetLastError")
            names.push_back(c.function);
    }
    return names;
}

// "length/flag" of every PX_ReadFile call, in order.
inline std::vector<std::string> PxapiReads() {
    std::vector<std::string> reads;
    for (const auto& c : PxapiCalls()) {
        if (std::string(c.function) == "PX_ReadFile")
            reads.push_back(std::to_string(c.args[2]) + "/" + std::to_string(c.args[5]));
    }
    return reads;
}

inline size_t PxapiCount(const std::string& function) {
    return RecordedCount(function);
}

inline void PxapiFail(const char* function, uint32_t occurrence, int64_t result, uint32_t lastError,
                      uint32_t done = 0) {
    FailCall(function, occurrence, result, lastError, done);
}

inline std::string PxapiControl(const std::string& line) {
    return Control(line);
}

}  // namespace kivo::link::testing
