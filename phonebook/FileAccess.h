#pragma once

#include <string>
#include <string_view>

// The two ways the telephone book touches the disk. Each returns the error to show, empty on
// success; the error names the file and the system's reason.
namespace kivo::phonebook {

// The whole content of a regular file.
std::string ReadFileBytes(const std::string& path, std::string& bytes);

// The file holds exactly `bytes` afterwards, or is left as it was.
std::string WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace kivo::phonebook
