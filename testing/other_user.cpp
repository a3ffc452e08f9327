#include "testing/other_user.h"

#include "platform/win/file_write.h"
#include "platform/win/unique_fd.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kivo::test {
namespace {

constexpr uid_t kNobody = 65534;

}  // namespace

std::string AsAnotherUser(const std::function<std::string()>& step) {
    if (::geteuid() != 0)
        return step();
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe to the other user";
        return {};
    }
    win::UniqueFd reader(ends[0]);
    win::UniqueFd writer(ends[1]);
    const pid_t child = ::fork();
    if (child == 0) {
        reader.Reset();
        std::string answer = "could not become another user";
        if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
            answer = step();
        win::WriteAll(writer.get(), answer);
        ::_exit(0);
    }
    writer.Reset();
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::read(reader.get(), buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        answer.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other user's step died";
    return answer;
}

void OpenToEveryone(const std::filesystem::path& folder) {
    std::filesystem::permissions(folder, std::filesystem::perms::all);
}

}  // namespace kivo::test
