#include "platform/win/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace kivo::win {
namespace {

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

void SyncFolder(const std::filesystem::path& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

}  // namespace

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

ReplacementFile::ReplacementFile(std::filesystem::path destination, mode_t mode)
    : destination_(std::move(destination)) {
    struct stat old {};
    const bool replaces = ::stat(destination_.c_str(), &old) == 0;
    // The rename needs only the folder; the file itself must be as writable as opening it
    // would require, for this user (root passes, as it would there).
    if (replaces && ::faccessat(AT_FDCWD, destination_.c_str(), W_OK, AT_EACCESS) != 0)
        return;
    // Short, so that a destination name near the name limit still has room beside it.
    const std::filesystem::path folder = FolderOf(destination_);
    for (int n = 0; n < 100 && !fd_; ++n) {
        temp_ = folder / (".~" + std::to_string(::getpid()) + "." + std::to_string(n));
        fd_ = UniqueFd(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!fd_ && errno != EEXIST)
            break;
    }
    if (fd_ && replaces && ::fchmod(fd_.get(), old.st_mode & 07777) != 0)
        Discard();
}

ReplacementFile::~ReplacementFile() {
    if (fd_)
        Discard();
}

void ReplacementFile::Discard() {
    const int error = errno;
    fd_.Reset();
    ::unlink(temp_.c_str());
    errno = error;
}

bool ReplacementFile::Commit() {
    if (!fd_)
        return false;
    if (::fsync(fd_.get()) == 0 && fd_.Close() &&
        ::rename(temp_.c_str(), destination_.c_str()) == 0) {
        SyncFolder(FolderOf(destination_));
        return true;
    }
    Discard();
    return false;
}

std::filesystem::path LinkedFile(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    std::error_code ec;
    // As many hops as the system follows before it calls a chain a loop.
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, ec); ++hops) {
        std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

bool ReplaceFile(const std::filesystem::path& destination, std::string_view content, mode_t mode) {
    ReplacementFile file(destination, mode);
    return file && WriteAll(file.fd(), content) && file.Commit();
}

}  // namespace kivo::win
