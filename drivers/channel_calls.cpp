#include "drivers/channel_calls.h"

#include "drivers/driver.h"

using kivo::px::ThisDriver;

PxHandle PX_CreateFile(const char* name, uint32_t access, uint32_t share, void* security,
                       uint32_t creation, uint32_t flags, void* templateFile) {
    return ThisDriver().CreateFile("PX_CreateFile", name, access, share, security, creation, flags,
                                   templateFile);
}
int32_t PX_SetTimeOut(uint32_t ms) {
    return ThisDriver().SetTimeOut(ms);
}
int32_t PX_WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                     void* overlapped) {
    return ThisDriver().WriteFile(handle, buffer, length, done, overlapped);
}
int32_t PX_CloseHandle(PxHandle handle) {
    return ThisDriver().CloseHandle(handle);
}
uint32_t PX_GetLastError(void) {
    return ThisDriver().GetLastError();
}
