#include "bench/link/link_stack.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kivo::bench {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::exit(1);
}

template <class F>
void Bind(void* handle, F*& function, const std::string& name, bool required = true) {
    function = reinterpret_cast<F*>(dlsym(handle, name.c_str()));
    if (function == nullptr && required)
        Fail("missing function " + name);
}

}  // namespace

LinkStack::LinkStack(const char* library, uint32_t wireBytes)
    : name(library), wireBytesPerSecond(wireBytes) {
    const auto path =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / ("lib" + name + ".so");
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        Fail(dlerror());
    // The driver's calls resolve through the library's own dependencies.
    Bind(handle_, copyTo, "PX_CopyToInternalMemory");
    Bind(handle_, copyFrom, "PX_CopyFromInternalMemory");
    Bind(handle_, fileList, "PX_GetFileList");
    Bind(handle_, createFile, "PX_CreateFile");
    Bind(handle_, setTimeOut, "PX_SetTimeOut");
    Bind(handle_, writeFile, "PX_WriteFile");
    Bind(handle_, closeHandle, "PX_CloseHandle");
    Bind(handle_, acquirePort, "PX_AcquirePort", false);
    Bind(handle_, releasePort, "PX_ReleasePort", ClaimsPort());
    if (ClaimsPort())
        Bind(handle_, readFile, "PX_ReadFile");
    else
        Bind(handle_, readFileMore, "PX_ReadFile");
    Bind(handle_, reset, "PX_TestReset");
    Bind(handle_, control, "PX_TestControl");
    Bind(handle_, putFile, "PX_TestPutFile");
}

LinkStack::~LinkStack() {
    dlclose(handle_);
}

void LinkStack::Control(const std::string& line) const {
    char reply[256];
    if (control(line.c_str(), reply, sizeof reply) != 0)
        Fail(name + ": player control failed: " + line);
}

void LinkStack::StartPlayer(bool throttled) const {
    reset();
    Control("flash 4000");
    Control("speed " + std::to_string(throttled ? wireBytesPerSecond : 0));
}

}  // namespace kivo::bench
