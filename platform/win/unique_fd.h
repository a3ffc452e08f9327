#pragma once

#include <unistd.h>

#include <utility>

namespace kivo::win {

// Owns a POSIX file descriptor and closes it once.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now and reports whether the close succeeded (a late write error shows here).
    bool Close() {
        if (fd_ < 0)
            return true;
        return ::close(std::exchange(fd_, -1)) == 0;
    }
    void Reset() { Close(); }
    // Hands the descriptor to a new owner.
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

}  // namespace kivo::win
