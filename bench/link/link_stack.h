#pragma once

#include "platform/px/types.h"
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
    int16_t (*copyTo)(const char* path) = nullptr;
    int16_t (*copyFrom)(int32_t fileIndex, const char* path) = nullptr;
    int16_t (*fileList)(HWND listView) = nullptr;

    // The driver.
    PxHandle (*createFile)(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t,
                           void*) = nullptr;
    int32_t (*setTimeOut)(uint32_t ms) = nullptr;
    int32_t (*writeFile)(PxHandle, const void*, uint32_t, uint32_t*, void*) = nullptr;
    int32_t (*closeHandle)(PxHandle) = nullptr;
    int16_t (*acquirePort)(int16_t) = nullptr;
    int16_t (*releasePort)(int16_t) = nullptr;
    int32_t (*readFile)(PxHandle, void*, uint32_t, uint32_t*, void*) = nullptr;
    int32_t (*readFileMore)(PxHandle, void*, uint32_t, uint32_t*, void*, uint32_t) = nullptr;

    // The driver's test hooks.
    void (*reset)() = nullptr;
    uint32_t (*control)(const char*, char*, uint32_t) = nullptr;
    uint32_t (*putFile)(uint8_t, uint8_t, const char*, const void*, uint32_t) = nullptr;

private:
    void* handle_;
};

}  // namespace kivo::bench
