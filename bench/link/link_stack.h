#pragma once

#include "drivers/pxdll.h"
#include "link/exports/px_exports.h"
#include "platform/win/types.h"

#include <cstdint>
#include <string>

namespace kivo::bench {

// One link library loaded as the explorer loads it (local scope, so that the two libraries'
// drivers never meet), with the driver calls and test hooks of the driver below it.
class LinkStack {
public:
    // `library` sits beside the program.
    LinkStack(const char* library, uint32_t wireBytesPerSecond);
    ~LinkStack();
    LinkStack(const LinkStack&) = delete;
    LinkStack& operator=(const LinkStack&) = delete;

    // parlink's driver claims a port around every exchange; buslink's has none.
    bool ClaimsPort() const { return acquirePort != nullptr; }
    // A fresh player in memory, unthrottled or at the dialect's wire speed.
    void StartPlayer(bool throttled) const;
    void Control(const std::string& line) const;

    const std::string name;
    const uint32_t wireBytesPerSecond;

    // The exports.
    decltype(&::PX_CopyToInternalMemory) copyTo = nullptr;
    decltype(&::PX_CopyFromInternalMemory) copyFrom = nullptr;
    decltype(&::PX_GetFileList) fileList = nullptr;

    // The driver.
    decltype(&::PX_CreateFile) createFile = nullptr;
    decltype(&::PX_SetTimeOut) setTimeOut = nullptr;
    decltype(&::PX_WriteFile) writeFile = nullptr;
    decltype(&::PX_CloseHandle) closeHandle = nullptr;
    decltype(&::PX_AcquirePort) acquirePort = nullptr;
    decltype(&::PX_ReleasePort) releasePort = nullptr;
    decltype(&::PX_ReadFile) readFile = nullptr;
    // PXAPI's read, with its continuation flag.
    int32_t (*readFileMore)(PxHandle, void*, uint32_t, uint32_t*, void*, uint32_t) = nullptr;

    // The driver's test hooks.
    decltype(&::PX_TestReset) reset = nullptr;
    decltype(&::PX_TestControl) control = nullptr;
    decltype(&::PX_TestPutFile) putFile = nullptr;

private:
    void* handle_;
};

}  // namespace kivo::bench
