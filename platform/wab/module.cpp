#include "platform/wab/module.h"

#include "platform/win/process.h"

#include <dlfcn.h>

#include <algorithm>
#include <string>

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string FileFor(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    std::string file = name;
    if (file.size() > 4 && Lower(file.substr(file.size() - 4)) == ".dll")
        file = "lib" + Lower(file.substr(0, file.size() - 4)) + ".so";
    return (ProgramFolder() / file).string();
}

}  // namespace

HMODULE LoadLibraryA(const char* name) {
    if (name == nullptr || *name == '\0')
        return nullptr;
    // Local scope: the library's names never stand in for those of another.
    return static_cast<HMODULE>(::dlopen(FileFor(name).c_str(), RTLD_NOW | RTLD_LOCAL));
}

void* GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr)
        return nullptr;
    return ::dlsym(module, name);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr)
        return FALSE;
    return ::dlclose(module) == 0 ? TRUE : FALSE;
}
