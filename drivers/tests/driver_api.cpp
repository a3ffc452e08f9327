#include "drivers/tests/driver_api.h"

#include "platform/win/process.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace kivo::px::testing {
namespace {

template <typename F>
void Bind(void* library, F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(library, name));
    if (function == nullptr) {
        throw std::runtime_error(std::string("missing export ") + name);
    }
}

DriverApi Load(Which which) {
    const bool dll = which == Which::kPxdll;
    const std::string path = (ProgramFolder() / (dll ? "libpxdll.so" : "libpxapi.so")).string();
    DriverApi api{which};
    api.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (api.library == nullptr) {
        throw std::runtime_error("cannot load " + path);
    }
    void* l = api.library;
    if (dll) {
        Bind(l, api.AcquirePort, "PX_AcquirePort");
        Bind(l, api.ReleasePort, "PX_ReleasePort");
        Bind(l, api.CreateFileEx, "PX_CreateFileEx");
        Bind(l, api.ReadFile, "PX_ReadFile");
    } else {
        Bind(l, api.ReadFileFlag, "PX_ReadFile");
        Bind(l, api.ReadDataBytes, "PX_ReadDataBytes");
    }
    Bind(l, api.CreateFile, "PX_CreateFile");
    Bind(l, api.SetTimeOut, "PX_SetTimeOut");
    Bind(l, api.WriteFile, "PX_WriteFile");
    Bind(l, api.CloseHandle, "PX_CloseHandle");
    Bind(l, api.GetLastError, "PX_GetLastError");
    Bind(l, api.TestReset, "PX_TestReset");
    Bind(l, api.TestRecordCalls, "PX_TestRecordCalls");
    Bind(l, api.TestCallCount, "PX_TestCallCount");
    Bind(l, api.TestGetCall, "PX_TestGetCall");
    Bind(l, api.TestFailCall, "PX_TestFailCall");
    Bind(l, api.TestControl, "PX_TestControl");
    Bind(l, api.TestPutFile, "PX_TestPutFile");
    Bind(l, api.TestGetFile, "PX_TestGetFile");
    return api;
}

}  // namespace

std::string DriverApi::Control(const std::string& line) const {
    std::vector<char> reply(1 << 20);
    const uint32_t result =
        TestControl(line.c_str(), reply.data(), static_cast<uint32_t>(reply.size()));
    EXPECT_EQ(result, 0u) << line << ": " << reply.data();
    return reply.data();
}

const DriverApi& Driver(Which which) {
    static const DriverApi pxdll = Load(Which::kPxdll);
    static const DriverApi pxapi = Load(Which::kPxapi);
    return which == Which::kPxdll ? pxdll : pxapi;
}

}  // namespace kivo::px::testing
