#include "drivers/pxapi.h"

#include "drivers/driver.h"

using kivo::px::ThisDriver;

const kivo::playersim::Dialect kivo::px::kThisDialect = kivo::playersim::Dialect::kUsb;

int32_t PX_ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                    void* overlapped, uint32_t more) {
    return ThisDriver().ReadFile(handle, buffer, length, done, overlapped, more);
}
int32_t PX_ReadDataBytes(PxHandle handle, uint32_t count, void* buffer) {
    return ThisDriver().ReadDataBytes(handle, count, buffer);
}
