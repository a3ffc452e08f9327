#include "platform/pxdll/pxdll.h"

namespace {
uint32_t lastError = 0;
}

int16_t PX_AcquirePort(int16_t) {
    lastError = kPxErrorNoPlayer;
    return 1;
}
int16_t PX_ReleasePort(int16_t) {
    return 0;
}
PxHandle PX_CreateFile(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t, void*) {
    lastError = kPxErrorNoPlayer;
    return kPxInvalidHandle;
}
PxHandle PX_CreateFileEx(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t, void*) {
    lastError = kPxErrorNoPlayer;
    return kPxInvalidHandle;
}
int32_t PX_SetTimeOut(uint32_t) {
    return 1;
}
int32_t PX_WriteFile(PxHandle, const void*, uint32_t, uint32_t* done, void*) {
    *done = 0;
    lastError = kPxErrorInvalidHandle;
    return 0;
}
int32_t PX_ReadFile(PxHandle, void*, uint32_t, uint32_t* done, void*) {
    *done = 0;
    lastError = kPxErrorInvalidHandle;
    return 0;
}
int32_t PX_CloseHandle(PxHandle) {
    return 0;
}
uint32_t PX_GetLastError(void) {
    return lastError;
}
void PXDLL_TestReset(void) {}
void PXDLL_TestRecordCalls(int32_t) {}
uint32_t PXDLL_TestCallCount(void) {
    return 0;
}
int32_t PXDLL_TestGetCall(uint32_t, PxCallRecord*) {
    return 0;
}
void PXDLL_TestClearCalls(void) {}
void PXDLL_TestFailCall(const PxFailure*) {}
uint32_t PXDLL_TestControl(const char*, char*, uint32_t) {
    return kPxErrorNoPlayer;
}
uint32_t PXDLL_TestPutFile(uint8_t, uint8_t, const char*, const void*, uint32_t) {
    return 0;
}
int32_t PXDLL_TestGetFile(uint8_t, void*, uint32_t, uint32_t*) {
    return 0;
}
