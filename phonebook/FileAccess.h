#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The two ways the telephone book touches the disk. Each tells what failed, nothing on success;
// the window puts it into words in the user's language.
namespace kivo::phonebook {

// The step at which a file failed and the system's error number; kNotAFile where the path
// names something that is not a file (a pipe, a device).
struct FileFault {
    enum class Step { Open, Read, Create, Write };
    static constexpr int kNotAFile = -1;
    Step step = Step::Open;
    int error = 0;
    bool operator==(const FileFault&) const = default;
};

// The whole content of a regular file; when reading fails partway, the bytes read before.
std::optional<FileFault> ReadFileBytes(const std::string& path, std::string& bytes);

// The file holds exactly `bytes` afterwards, or is left as it was. A symbolic link stays and
// the file it leads to is replaced.
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
