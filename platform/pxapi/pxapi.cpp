#include "platform/pxapi/pxapi.h"

#include "playersim/driver.h"

namespace {

playersim::Driver& TheDriver() {
    static playersim::Driver driver(playersim::Dialect::kUsb);
    return driver;
}

}  // namespace

PxHandle PX_CreateFile(const char* name, uint32_t access, uint32_t share, void* security,
                       uint32_t creation, uint32_t flags, void* templateFile) {
    return TheDriver().CreateFile("PX_CreateFile", name, access, share, security, creation, flags,
                                  templateFile);
}
int32_t PX_SetTimeOut(uint32_t ms) {
    return TheDriver().SetTimeOut(ms);
}
int32_t PX_WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                     void* overlapped) {
    return TheDriver().WriteFile(handle, buffer, length, done, overlapped);
}
int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                    void* overlapped, uint32_t more) {
    return TheDriver().ReadFile(handle, buffer, length, done, overlapped, more);
}
int32_t PX_ReadDataBytes(PxHandle handle, uint32_t count, void* buffer) {
    return TheDriver().ReadDataBytes(handle, count, buffer);
}
int32_t PX_CloseHandle(PxHandle handle) {
    return TheDriver().CloseHandle(handle);
}
uint32_t PX_GetLastError(void) {
    return TheDriver().GetLastError();
}

void PXAPI_TestReset(void) {
    TheDriver().TestReset();
}
void PXAPI_TestRecordCalls(int32_t on) {
    TheDriver().TestRecordCalls(on != 0);
}
uint32_t PXAPI_TestCallCount(void) {
    return TheDriver().TestCallCount();
}
int32_t PXAPI_TestGetCall(uint32_t index, PxCallRecord* record) {
    return TheDriver().TestGetCall(index, record) ? 1 : 0;
}
void PXAPI_TestClearCalls(void) {
    TheDriver().TestClearCalls();
}
void PXAPI_TestFailCall(const PxFailure* failure) {
    if (failure != nullptr) {
        TheDriver().TestFailCall(*failure);
    }
}
uint32_t PXAPI_TestControl(const char* line, char* reply, uint32_t replySize) {
    return TheDriver().TestControl(line, reply, replySize);
}
uint32_t PXAPI_TestPutFile(uint8_t memory, uint8_t fileType, const char* name, const void* data,
                           uint32_t size) {
    return TheDriver().TestPutFile(memory, fileType, name, data, size);
}
int32_t PXAPI_TestGetFile(uint8_t index, void* buffer, uint32_t capacity, uint32_t* size) {
    return TheDriver().TestGetFile(index, buffer, capacity, size) ? 1 : 0;
}
