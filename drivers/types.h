#pragma once

#include <stdint.h>

// A channel handle of either driver.
using PxHandle = int32_t;
inline constexpr PxHandle kPxInvalidHandle = -1;

// Last-error codes of both player drivers (pxdll and PXAPI), as PX_GetLastError reports them
// after a failed call. 0 means the last call succeeded.
enum : uint32_t {
    // The port or channel is held by another handle or process.
    kPxErrorPortBusy = 1,
    // The channel name is not "LPT1".
    kPxErrorUnknownChannel = 2,
    // No player is connected: KIVO_PLAYER is "none", the socket is missing or refuses.
    kPxErrorNoPlayer = 3,
    // The handle is not an open channel of this driver.
    kPxErrorInvalidHandle = 6,
    // The player did not answer within the timeout.
    kPxErrorTimeout = 12,
    // The connection was lost in the middle of an exchange.
    kPxErrorConnectionLost = 18,
    // An argument the driver cannot act on (null buffer, a flagged read not a multiple of 64).
    kPxErrorInvalidArgument = 87,
};

// One recorded driver call, for tests.
struct PxCallRecord {
    // Function name, e.g. "PX_ReadFile".
    char function[24];
    // The channel name argument of PX_CreateFile / PX_CreateFileEx, else empty.
    char name[16];
    // Every argument in call order, pointers (the name and the out-count too) as 0 (null) or
    // 1 (given): PX_CreateFile(name, access, share, security, creation, flags, template),
    // PX_WriteFile / PX_ReadFile(handle, buffer, length, done, overlapped[, more]),
    // PX_ReadDataBytes(handle, count, buffer), the others their one argument.
    int64_t args[7];
    uint32_t argCount;
    // The function's result, widened.
    int64_t result;
    // Bytes reported written or read (0 for the other functions).
    uint32_t done;
    // PX_GetLastError right after the call.
    uint32_t lastError;
};

// A call that the driver makes fail instead of doing it: the `occurrence`-th call (1 = the next
// one) of `function` returns `result` and sets the last error to `lastError` when nonzero. A
// read or write with a nonzero result moves at most `done` bytes to or from the player and
// reports them (a short transfer); with result 0 it moves and reports nothing. Other
// functions do nothing but return `result`.
struct PxFailure {
    char function[24];
    uint32_t occurrence;
    int64_t result;
    uint32_t lastError;
    uint32_t done;
};
