#include "platform/px/pxdll.h"

#include "platform/px/driver.h"

namespace kivo::px {

Driver& ThisDriver() {
    static Driver driver(playersim::Dialect::kParallel);
    return driver;
}

}  // namespace kivo::px

using kivo::px::ThisDriver;

int16_t PX_AcquirePort(int16_t port) {
    return ThisDriver().AcquirePort(port);
}
int16_t PX_ReleasePort(int16_t port) {
    return ThisDriver().ReleasePort(port);
}
PxHandle PX_CreateFile(const char* name, uint32_t access, uint32_t share, void* security,
                       uint32_t creation, uint32_t flags, void* templateFile) {
    return ThisDriver().CreateFile("PX_CreateFile", name, access, share, security, creation, flags,
                                   templateFile);
}
PxHandle PX_CreateFileEx(const char* name, uint32_t access, uint32_t share, void* security,
                         uint32_t creation, uint32_t flags, void* templateFile) {
    return ThisDriver().CreateFile("PX_CreateFileEx", name, access, share, security, creation,
                                   flags, templateFile);
}
int32_t PX_SetTimeOut(uint32_t ms) {
    return ThisDriver().SetTimeOut(ms);
}
int32_t PX_WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                     void* overlapped) {
    return ThisDriver().WriteFile(handle, buffer, length, done, overlapped);
}
int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                    void* overlapped) {
    return ThisDriver().ReadFile(handle, buffer, length, done, overlapped, std::nullopt);
}
int32_t PX_CloseHandle(PxHandle handle) {
    return ThisDriver().CloseHandle(handle);
}
uint32_t PX_GetLastError(void) {
    return ThisDriver().GetLastError();
}
