#pragma once

#include "platform/px/types.h"

#include <cstdint>
#include <string>

// Both player drivers, loaded side by side as the explorer loads them.
namespace kivo::px::testing {

enum class Which { kPxdll, kPxapi };

struct DriverApi {
    Which which;
    void* library = nullptr;
    int16_t (*AcquirePort)(int16_t) = nullptr;
    int16_t (*ReleasePort)(int16_t) = nullptr;
    PxHandle (*CreateFile)(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t,
                           void*) = nullptr;
    PxHandle (*CreateFileEx)(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t,
                             void*) = nullptr;
    int32_t (*SetTimeOut)(uint32_t) = nullptr;
    int32_t (*WriteFile)(PxHandle, const void*, uint32_t, uint32_t*, void*) = nullptr;
    int32_t (*ReadFile)(PxHandle, void*, uint32_t, uint32_t*, void*) = nullptr;
    int32_t (*ReadFileFlag)(PxHandle, void*, uint32_t, uint32_t*, void*, uint32_t) = nullptr;
    int32_t (*ReadDataBytes)(PxHandle, uint32_t, void*) = nullptr;
    int32_t (*CloseHandle)(PxHandle) = nullptr;
    uint32_t (*GetLastError)() = nullptr;
    void (*TestReset)() = nullptr;
    void (*TestRecordCalls)(int32_t) = nullptr;
    uint32_t (*TestCallCount)() = nullptr;
    int32_t (*TestGetCall)(uint32_t, PxCallRecord*) = nullptr;
    void (*TestFailCall)(const PxFailure*) = nullptr;
    uint32_t (*TestControl)(const char*, char*, uint32_t) = nullptr;
    uint32_t (*TestPutFile)(uint8_t, uint8_t, const char*, const void*, uint32_t) = nullptr;
    int32_t (*TestGetFile)(uint8_t, void*, uint32_t, uint32_t*) = nullptr;

    // Sends a control line; fails the test when the player refuses it.
    std::string Control(const std::string& line) const;
};

// Loaded once per process and kept.
const DriverApi& Driver(Which which);

}  // namespace kivo::px::testing
