#include "platform/win/file_write.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

constexpr size_t kNameMax = 255;

// FNV-1a, the same in every run: a name too long to stand in its part's name stands as this.
uint64_t NameHash(const std::string& name) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// ".~NAME.part", then ".~NAME.1.part" and on for names that other writers hold.
std::string PartFileName(const std::string& name, int n) {
    const std::string suffix = (n > 0 ? "." + std::to_string(n) : std::string()) + ".part";
    std::string stem = name;
    if (2 + stem.size() + suffix.size() > kNameMax) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(NameHash(name)));
        stem = hex;
    }
    return ".~" + stem + suffix;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// The part at `path` for this writer alone, locked: a new file, or one that a writer that no
// longer runs left there (this user's plain file with no other name), emptied. Any other file
// of that name is left as it is, with errno EEXIST so that the next name is tried.
UniqueFd OpenPart(const std::filesystem::path& path, mode_t mode) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    const bool stale = !fd && errno == EEXIST;
    if (stale)
        fd = UniqueFd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat held {};
    struct stat named {};
    const bool ours = fd && ::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) &&
                      held.st_uid == ::geteuid() && held.st_nlink == 1;
    // Still under that name once locked: its last writer may have put it in place meanwhile.
    const bool locked = ours && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
                        ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
                        named.st_ino == held.st_ino;
    if (locked && (!stale || (::ftruncate(fd.get(), 0) == 0 &&
                              ::fchmod(fd.get(), mode & ~CurrentUmask()) == 0)))
        return fd;
    if (fd || stale)
        errno = EEXIST;
    return {};
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

ReplacementFile::ReplacementFile(std::filesystem::path destination, mode_t mode, PartName naming)
    : destination_(std::move(destination)) {
    struct stat old {};
    const bool replaces = ::stat(destination_.c_str(), &old) == 0;
    // The rename needs only the folder; the file itself must be as writable as opening it
    // would require, for this user (root passes, as it would there).
    if (replaces && ::faccessat(AT_FDCWD, destination_.c_str(), W_OK, AT_EACCESS) != 0)
        return;
    const std::filesystem::path folder = FolderOf(destination_);
    for (int n = 0; n < 100 && !fd_; ++n) {
        if (naming == PartName::AfterDestination) {
            temp_ = folder / PartFileName(destination_.filename().string(), n);
            fd_ = OpenPart(temp_, mode);
        } else {
            // Short, so that a destination name near the name limit still has room beside it.
            temp_ = folder / (".~" + std::to_string(::getpid()) + "." + std::to_string(n));
            fd_ = UniqueFd(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        }
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

// Removed and renamed while still open, so that a part name's lock holds until the file is
// gone or in place: a writer that took the name over then could empty the finished file.
void ReplacementFile::Discard() {
    const int error = errno;
    ::unlink(temp_.c_str());
    fd_.Reset();
    errno = error;
}

bool ReplacementFile::Commit() {
    if (!fd_)
        return false;
    // The flush reports what the disk did not take; the close after it has nothing left to say.
    if (::fsync(fd_.get()) == 0 && ::rename(temp_.c_str(), destination_.c_str()) == 0) {
        fd_.Reset();
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
