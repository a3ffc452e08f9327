#pragma once

#include "platform/win/unique_fd.h"
#include "playersim/channel.h"
#include "playersim/device.h"
#include "playersim/store_lock.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// kivo-player's loop: serves the device to one client at a time on a Unix socket.
namespace kivo::playersim {

// The client being served is read and written without blocking, so that the listening socket
// is answered all the while and a stalled client holds nothing but its own channel.
class Server {
public:
    // Listens on `path`, replacing a socket file nobody answers on; Listening() is false, with
    // `error` set, when it cannot.
    Server(Device& device, std::string path, std::string& error);
    // Removes the socket file while it still listens, so that no newcomer takes the path first.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Listening() const { return static_cast<bool>(listener_); }
    // Waits up to `waitMs` of real time for a newcomer or the client and handles what came; then
    // drops a client that has sent or taken nothing for five seconds on the project's clock
    // before its first request or in the middle of a message.
    void Step(int waitMs);

private:
    bool Sending() const { return sent_ < out_.size(); }
    void Accept();
    bool Fill();
    bool Flush();
    void Drop();

    Device& device_;
    std::string path_;
    win::UniqueFd listener_;
    StoreLock lock_;
    win::UniqueFd client_;
    std::unique_ptr<Channel> channel_;
    std::vector<uint8_t> in_;
    std::vector<uint8_t> out_;
    size_t sent_ = 0;
    // When the client, stalled now, is to be dropped (milliseconds on the project's clock).
    uint64_t dueMs_ = 0;
};

// Listens on `path` and serves until `stop` is set. False with `error` set when it cannot
// listen. `onListening` runs once the socket accepts.
bool Serve(Device& device, const std::string& path, const std::atomic<bool>& stop,
           std::string& error, void (*onListening)(const std::string& path));

}  // namespace kivo::playersim
