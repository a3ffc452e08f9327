#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The two ways the telephone book touches the disk. Each returns the error to show, empty on
// success; the error names the file and the system's reason.
namespace kivo::phonebook {

// The whole content of a regular file; when reading fails partway, the bytes read before.
std::string ReadFileBytes(const std::string& path, std::string& bytes);

// The file holds exactly `bytes` afterwards, or is left as it was. A symbolic link stays and
// the file it leads to is replaced.
std::string WriteFileReplacing(const std::string& path, std::string_view bytes);

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
