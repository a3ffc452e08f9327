#pragma once

#include <string>

// One player per store across processes: an exclusive lock on a file in the store's folder,
// held by the driver that claims the port and by kivo-player for each channel it serves.
namespace kivo::playersim {

class StoreLock {
public:
    // No folder (a player in memory) gives a lock that is always free.
    explicit StoreLock(const std::string& folder);
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    // False while another process (or another handle) holds it.
    bool Take();
    void Give();

private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace kivo::playersim
