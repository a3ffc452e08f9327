#include "phonebook/FileAccess.h"

#include "platform/win/file_write.h"
#include "platform/win/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>

namespace kivo::phonebook {

namespace {

struct ReadFault {
    size_t after;
    int error;
};
std::optional<ReadFault> readFault;

// Why a path that names something other than a file is refused.
FileFault NotAFile(FileFault::Step step, const struct stat& st) {
    return {step, S_ISDIR(st.st_mode) ? EISDIR : FileFault::kNotAFile};
}

// One read into `buffer`, failing where a test asked it to.
ssize_t ReadSome(int fd, char* buffer, size_t size, size_t done) {
    if (readFault) {
        if (done >= readFault->after) {
            errno = readFault->error;
            return -1;
        }
        size = std::min(size, readFault->after - done);
    }
    return ::read(fd, buffer, size);
}

// Truncates and writes the existing file itself. What fails is the file's own opening or
// writing, and that is what the fault tells.
std::optional<FileFault> WriteInPlace(const std::filesystem::path& target, std::string_view bytes) {
    win::UniqueFd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return FileFault{FileFault::Step::Write, errno};
    if (!win::WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0)
        return FileFault{FileFault::Step::Write, errno};
    if (!fd.Close())
        return FileFault{FileFault::Step::Write, errno};
    return std::nullopt;
}

}  // namespace

std::optional<FileFault> ReadFileBytes(const std::string& path, std::string& bytes,
                                       uint64_t largest) {
    bytes.clear();
    // Non-blocking, so that a pipe is refused at once instead of waiting for a writer.
    win::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return FileFault{FileFault::Step::Open, errno};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return FileFault{FileFault::Step::Read, errno};
    if (!S_ISREG(st.st_mode))
        return NotAFile(FileFault::Step::Read, st);
    if (static_cast<uint64_t>(st.st_size) > largest)
        return FileFault{FileFault::Step::Read, FileFault::kTooLarge};
    char buffer[65536];
    for (;;) {
        ssize_t n = ReadSome(fd.get(), buffer, sizeof buffer, bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return FileFault{FileFault::Step::Read, errno};
        if (n == 0)
            return std::nullopt;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

std::optional<FileFault> WriteFileReplacing(const std::string& path, std::string_view bytes) {
    std::filesystem::path target = win::LinkedFile(path);
    // A pipe, a device or a folder of that name is not replaced by a file.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return NotAFile(FileFault::Step::Write, st);
    win::ReplacementFile file(target);
    if (!file) {
        const int error = errno;
        // A folder the user may not write can hold a file the user may: that file is written
        // where it is, as the system's own "replace the file" does.
        if ((error == EACCES || error == EPERM) && ::stat(target.c_str(), &st) == 0)
            return WriteInPlace(target, bytes);
        return FileFault{FileFault::Step::Create, error};
    }
    if (!win::WriteAll(file.fd(), bytes) || !file.Commit())
        return FileFault{FileFault::Step::Write, errno};
    return std::nullopt;
}

ScopedReadFault::ScopedReadFault(size_t after, int error) {
    readFault = ReadFault{after, error};
}

ScopedReadFault::~ScopedReadFault() {
    readFault.reset();
}

}  // namespace kivo::phonebook
