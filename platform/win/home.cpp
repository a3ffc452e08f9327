#include "platform/win/home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace kivo::win {

namespace {

bool Absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

}  // namespace

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); Absolute(home))
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && Absolute(entry->pw_dir))
        return entry->pw_dir;
    return "/";
}

std::filesystem::path XdgFolder(const char* variable, const char* fallback) {
    if (const char* folder = std::getenv(variable); Absolute(folder))
        return folder;
    return HomeFolder() / fallback;
}

}  // namespace kivo::win
