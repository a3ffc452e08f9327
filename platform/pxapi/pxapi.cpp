#include "platform/pxapi/pxapi.h"

namespace {
uint32_t lastError = 0;
}

PxHandle PX_CreateFile(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t, void*) {
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
int32_t PX_ReadFile(PxHandle, void*, uint32_t, uint32_t* done, void*, uint32_t) {
    *done = 0;
    lastError = kPxErrorInvalidHandle;
    return 0;
}
int32_t PX_ReadDataBytes(PxHandle, uint32_t, void*) {
    lastError = kPxErrorInvalidHandle;
    return 0;
}
int32_t PX_CloseHandle(PxHandle) {
    return 0;
}
uint32_t PX_GetLastError(void) {
    return lastError;
}
void PXAPI_TestReset(void) {}
void PXAPI_TestRecordCalls(int32_t) {}
uint32_t PXAPI_TestCallCount(void) {
    return 0;
}
int32_t PXAPI_TestGetCall(uint32_t, PxCallRecord*) {
    return 0;
}
void PXAPI_TestClearCalls(void) {}
void PXAPI_TestFailCall(const PxFailure*) {}
uint32_t PXAPI_TestControl(const char*, char*, uint32_t) {
    return kPxErrorNoPlayer;
}
uint32_t PXAPI_TestPutFile(uint8_t, uint8_t, const char*, const void*, uint32_t) {
    return 0;
}
int32_t PXAPI_TestGetFile(uint8_t, void*, uint32_t, uint32_t*) {
    return 0;
}
