#include "phonebook/FileAccess.h"

#include "platform/win/file_write.h"
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

}  // namespace

std::string ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Non-blocking, so that a pipe is refused at once instead of waiting for a writer.
    win::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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
    win::ReplacementFile file(path);
    if (!file)
        return Failure("Cannot create", path, errno);
    if (!win::WriteAll(file.fd(), bytes) || !file.Commit())
        return Failure("Cannot write", path, errno);
    return {};
}

}  // namespace kivo::phonebook
