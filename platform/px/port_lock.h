#pragma once

#include <string>

// The port claimed across processes: an exclusive lock on a file in the player's folder.
namespace kivo::px {

class PortLock {
public:
    explicit PortLock(const std::string& folder);
    ~PortLock();
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;
    // False while another process (or another handle) holds it.
    bool Take();
    void Give();

private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace kivo::px
