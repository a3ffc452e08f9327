#include "platform/win/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kivo::win {

UniqueFd OpenRegularFile(const char* path, int flags, mode_t mode) {
    UniqueFd fd(::open(path, flags | O_NONBLOCK | O_CLOEXEC, mode));
    if (!fd)
        return fd;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return UniqueFd();
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return UniqueFd();
    }
    // Reads and writes of the file then wait as usual.
    const int status = ::fcntl(fd.get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return UniqueFd();
    return fd;
}

}  // namespace kivo::win
