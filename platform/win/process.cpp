#include "platform/win/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

extern char** environ;

namespace fs = std::filesystem;

namespace {

LaunchHook& launchHook() {
    static LaunchHook hook;
    return hook;
}

// Starts the program detached (double fork), so no zombie is left behind.
void Spawn(const std::string& program, const char* argument, bool searchPath) {
    if (launchHook()) {
        launchHook()({program, argument != nullptr ? argument : ""});
        return;
    }
    const char* args[] = {program.c_str(), argument, nullptr};
    pid_t child = ::fork();
    if (child < 0)
        return;
    if (child == 0) {
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild == 0) {
            int devnull = ::open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                ::dup2(devnull, 0);
                ::dup2(devnull, 1);
                ::dup2(devnull, 2);
            }
            if (searchPath)
                ::execvp(program.c_str(), const_cast<char**>(args));
            else
                ::execv(program.c_str(), const_cast<char**>(args));
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

}  // namespace

void SetLaunchHook(LaunchHook hook) {
    launchHook() = std::move(hook);
}

fs::path ProgramFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : self.parent_path();
}

fs::path FindProgram(const char* program) {
    if (program == nullptr || *program == '\0')
        return {};
    std::string name = program;
    // Names given for the original platform carry ".exe"; the Linux program has none.
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0)
        name.resize(name.size() - 4);
    if (name.find('/') != std::string::npos)
        return {};
    auto runnable = [](const fs::path& p) {
        std::error_code ec;
        return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
    };
    if (fs::path local = ProgramFolder() / name; runnable(local))
        return local;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "";
    while (!dirs.empty()) {
        size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        if (dir.empty())
            continue;
        if (fs::path candidate = fs::path(dir) / name; runnable(candidate))
            return candidate;
    }
    return {};
}

void WinExec(const char* program, int) {
    fs::path found = FindProgram(program);
    if (!found.empty())
        Spawn(found.string(), nullptr, false);
}

void ShellOpen(const char* address) {
    if (address == nullptr || *address == '\0' || *address == '-')
        return;
    Spawn("xdg-open", address, true);
}
