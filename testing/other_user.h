#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace kivo::test {

// Runs `step` as a user who owns none of the test's files and returns what it returned, so
// that a read-only file stands for another user's file. Run as root, the tests would pass
// every permission check: the step then runs in a child process as "nobody", and the
// folders it works in must be open to that user (see OpenToEveryone). Otherwise it runs here,
// and the test's own read-only files already refuse writing.
std::string AsAnotherUser(const std::function<std::string()>& step);

// Lets every user create and remove files in `folder`, as a shared folder does.
void OpenToEveryone(const std::filesystem::path& folder);

}  // namespace kivo::test
