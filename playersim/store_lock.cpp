#include "playersim/store_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace kivo::playersim {

StoreLock::StoreLock(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    fd_ = ::open((std::filesystem::path(folder) / "port.lock").c_str(),
                 O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

StoreLock::~StoreLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool StoreLock::Take() {
    if (fd_ < 0 || held_) {
        return true;
    }
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    return held_;
}

void StoreLock::Give() {
    if (fd_ >= 0 && held_) {
        ::flock(fd_, LOCK_UN);
    }
    held_ = false;
}

}  // namespace kivo::playersim
