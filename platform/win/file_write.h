#pragma once

#include "platform/win/api.h"
#include "platform/win/unique_fd.h"

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string_view>

// Writing files so that a failure or a crash never leaves a half-written one.
namespace kivo::win {

// Writes all `size` bytes, going on after interrupted and partial writes.
KIVO_WIN_API bool WriteAll(int fd, const void* data, size_t size);
inline bool WriteAll(int fd, std::string_view text) {
    return WriteAll(fd, text.data(), text.size());
}

// How the new file beside the destination is named.
enum class PartName {
    // A short name of this process's own.
    Unique,
    // ".~NAME.part" after the destination's NAME, held locked while it is written: a part that a
    // killed writer left is taken over by the next write to that destination, and a part that a
    // running writer holds is left to it.
    AfterDestination,
};

// A new file written beside `destination` under a temporary name and renamed over it by
// Commit(): a reader or a crash finds the old file or the new one, never a mixture. A
// destination that exists and that this user could not open for writing is refused, as
// opening it would be (errno EACCES). The new file gets the replaced file's permission bits,
// or `mode` (less the umask) where there was none. Dropped without Commit(), the new file is
// removed and the destination stays as it was.
class KIVO_WIN_API ReplacementFile {
public:
    explicit ReplacementFile(std::filesystem::path destination, mode_t mode = 0666,
                             PartName naming = PartName::Unique);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // False when the new file could not be made; errno says why.
    explicit operator bool() const { return static_cast<bool>(fd_); }
    int fd() const { return fd_.get(); }
    // The new file's name, for a writer that opens the file by name.
    const std::filesystem::path& path() const { return temp_; }
    // Flushes the file to the disk, renames it over the destination and flushes the folder;
    // on failure errno says why and the destination stays as it was.
    bool Commit();

private:
    // Removes the new file, keeping errno.
    void Discard();

    std::filesystem::path destination_;
    std::filesystem::path temp_;
    UniqueFd fd_;
};

// The file that writing to `path` reaches: symbolic links are followed to the file they name,
// which need not exist yet. Replacing that file keeps the links.
KIVO_WIN_API std::filesystem::path LinkedFile(const std::filesystem::path& path);

// Replaces `destination` with `content` as ReplacementFile does.
KIVO_WIN_API bool ReplaceFile(const std::filesystem::path& destination, std::string_view content,
                              mode_t mode = 0666);

}  // namespace kivo::win
