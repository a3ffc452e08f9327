#include "phonebook/FileAccess.h"

#include "platform/win/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kivo::phonebook {

namespace {

std::string Failure(const char* what, const std::string& path, int error) {
    return std::string(what) + " \"" + path + "\".\n" + std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

std::string ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Non-blocking, so that a pipe is refused at once instead of waiting for a writer.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return Failure("Cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return Failure("Cannot read", path, errno);
    if (!S_ISREG(st.st_mode))
        return Failure("Cannot read", path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int error = errno;
            bytes.clear();
            return Failure("Cannot read", path, error);
        }
        if (n == 0)
            return {};
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

std::string WriteFileReplacing(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".saving-" + std::to_string(::getpid());
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd)
        return Failure("Cannot create", path, errno);
    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(fd.get(), old.st_mode & 07777);
    bool ok = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    int error = errno;
    if (ok) {
        ok = fd.Close() && ::rename(temp.c_str(), path.c_str()) == 0;
        error = errno;
    }
    if (!ok) {
        fd.Reset();
        ::unlink(temp.c_str());
        return Failure("Cannot write", path, error);
    }
    return {};
}

}  // namespace kivo::phonebook
