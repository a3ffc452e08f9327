#include "platform/win/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Starts the program detached (double fork), so no zombie is left behind.
void Spawn(const std::string& program, const char* argument, bool searchPath) {
    pid_t child = ::fork();
    if (child < 0) return;
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
            const char* args[] = {program.c_str(), argument, nullptr};
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

fs::path ProgramFolder() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : self.parent_path();
}

void WinExec(const char* program, int) {
    if (program == nullptr || *program == '\0') return;
    std::string name = program;
    // Names given for the original platform carry ".exe"; the Linux program has none.
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    fs::path local = ProgramFolder() / name;
    if (::access(local.c_str(), X_OK) == 0)
        Spawn(local.string(), nullptr, false);
    else
        Spawn(name, nullptr, true);
}

void ShellOpen(const char* address) {
    if (address == nullptr || *address == '\0') return;
    Spawn("xdg-open", address, true);
}
