#pragma once

#include "drivers/pxdll.h"

#include <cstdint>
#include <string>

// Both player drivers, loaded side by side as the explorer loads them.
namespace kivo::px::testing {

enum class Which { kPxdll, kPxapi };

struct DriverApi {
    Which which;
    void* library = nullptr;
    // The parallel-port face and the shared calls are typed by their declarations, so a changed
    // signature fails to compile here. The USB face's two reads cannot be declared in the same
    // unit (its PX_ReadFile takes a flag), so they are written out as pxapi.h has them.
    decltype(&PX_AcquirePort) AcquirePort = nullptr;
    decltype(&PX_ReleasePort) ReleasePort = nullptr;
    decltype(&PX_CreateFile) CreateFile = nullptr;
    decltype(&PX_CreateFileEx) CreateFileEx = nullptr;
    decltype(&PX_SetTimeOut) SetTimeOut = nullptr;
    decltype(&PX_WriteFile) WriteFile = nullptr;
    decltype(&PX_ReadFile) ReadFile = nullptr;
    int32_t (*ReadFileFlag)(PxHandle, void*, uint32_t, uint32_t*, void*, uint32_t) = nullptr;
    int32_t (*ReadDataBytes)(PxHandle, uint32_t, void*) = nullptr;
    decltype(&PX_CloseHandle) CloseHandle = nullptr;
    decltype(&PX_GetLastError) GetLastError = nullptr;
    decltype(&PX_TestReset) TestReset = nullptr;
    decltype(&PX_TestRecordCalls) TestRecordCalls = nullptr;
    decltype(&PX_TestCallCount) TestCallCount = nullptr;
    decltype(&PX_TestGetCall) TestGetCall = nullptr;
    decltype(&PX_TestFailCall) TestFailCall = nullptr;
    decltype(&PX_TestControl) TestControl = nullptr;
    decltype(&PX_TestPutFile) TestPutFile = nullptr;
    decltype(&PX_TestGetFile) TestGetFile = nullptr;

    // Sends a control line; fails the test when the player refuses it.
    std::string Control(const std::string& line) const;
};

// Loaded once per process and kept.
const DriverApi& Driver(Which which);

}  // namespace kivo::px::testing
