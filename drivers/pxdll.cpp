#include "drivers/pxdll.h"

#include "drivers/driver.h"

using kivo::px::ThisDriver;

const kivo::playersim::Dialect kivo::px::kThisDialect = kivo::playersim::Dialect::kParallel;

int16_t PX_AcquirePort(int16_t port) {
    return ThisDriver().AcquirePort(port);
}
int16_t PX_ReleasePort(int16_t port) {
    return ThisDriver().ReleasePort(port);
}
PxHandle PX_CreateFileEx(const char* name, uint32_t access, uint32_t share, void* security,
                         uint32_t creation, uint32_t flags, void* templateFile) {
    return ThisDriver().CreateFile("PX_CreateFileEx", name, access, share, security, creation,
                                   flags, templateFile);
}
int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                    void* overlapped) {
    return ThisDriver().ReadFile(handle, buffer, length, done, overlapped, std::nullopt);
}
