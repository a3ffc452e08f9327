#pragma once

#include "platform/pxapi/pxapi.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kivo::link::testing {

// PXAPI's record of its calls and its injected failures, for tests against the embedded player.
inline std::vector<PxCallRecord> PxapiCalls() {
    std::vector<PxCallRecord> calls(PXAPI_TestCallCount());
    for (uint32_t i = 0; i < calls.size(); ++i)
        PXAPI_TestGetCall(i, &calls[i]);
    return calls;
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
    size_t n = 0;
    for (const auto& c : PxapiCalls())
        n += function == c.function;
    return n;
}

inline void PxapiFail(const char* function, uint32_t occurrence, int64_t result, uint32_t lastError,
                      uint32_t done = 0) {
    PxFailure f{};
    std::strncpy(f.function, function, sizeof f.function - 1);
    f.occurrence = occurrence;
    f.result = result;
    f.lastError = lastError;
    f.done = done;
    PXAPI_TestFailCall(&f);
}

inline std::string PxapiControl(const std::string& line) {
    char reply[4096] = {};
    if (PXAPI_TestControl(line.c_str(), reply, sizeof reply) != 0)
        return "failed: " + line;
    return reply;
}

}  // namespace kivo::link::testing
