#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The two ways the telephone book touches the disk. Each tells what failed, nothing on success;
// the window puts it into words in the user's language.
namespace kivo::phonebook {

// The step at which a file failed and the system's error number; kNotAFile where the path
// names something that is not a file (a pipe, a device), kTooLarge where the file is larger than
// the reader takes.
struct FileFault {
    enum class Step { Open, Read, Create, Write };
    static constexpr int kNotAFile = -1;
    static constexpr int kTooLarge = -2;
    Step step = Step::Open;
    int error = 0;
    bool operator==(const FileFault&) const = default;
};

// The whole content of a regular file of at most `largest` bytes; when reading fails partway,
// the bytes read before. A larger file is refused before anything is read.
std::optional<FileFault> ReadFileBytes(const std::string& path, std::string& bytes,
                                       uint64_t largest);

// The file holds exactly `bytes` afterwards, or is left as it was. A symbolic link stays and
// the file it leads to is replaced. Where the folder does not let a new file be made beside
// the file but the file itself may be written, it is written in place.
std::optional<FileFault> WriteFileReplacing(const std::string& path, std::string_view bytes);

// For tests: while it lives, reading a file fails with `error` once `after` bytes of it were
// read, as a failing disk or a dropped network share does partway through a file.
class ScopedReadFault {
public:
    ScopedReadFault(size_t after, int error);
    ~ScopedReadFault();
    ScopedReadFault(const ScopedReadFault&) = delete;
    ScopedReadFault& operator=(const ScopedReadFault&) = delete;
};

}  // namespace kivo::phonebook
