#pragma once

#include "playersim/device.h"
#include "playersim/task.h"

#include <coroutine>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

// The player's side of the commands for one opened channel: fed with the PC's bytes, it
// queues its answers.
namespace kivo::playersim {

// Answer bytes waiting for the PC. A read stops early at a break (a short read) and cannot
// take bytes before they are ready.
struct OutChunk {
    std::vector<uint8_t> bytes;
    size_t taken = 0;
    bool breakAfter = false;
    uint64_t readyAtMs = 0;
};

class Session {
public:
    Session(Device& device, Dialect dialect);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Takes the PC's bytes; fewer than given when the player takes a field short.
    size_t Feed(std::span<const uint8_t> bytes);
    std::deque<OutChunk>& Output() { return output_; }
    // The channel's clock, for the time at which answers become ready.
    void SetNow(uint64_t ms) { nowMs_ = ms; }

private:
    struct Input {
        Session& session;
        uint32_t length;
        const char* field;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) noexcept;
        std::vector<uint8_t> await_resume() { return std::move(session.field_); }
    };
    Input In(uint32_t length, const char* field) { return Input{*this, length, field}; }
    void Send(std::vector<uint8_t> bytes, const char* field);
    void Note(std::string line) { device_.transcript.Add(std::move(line)); }

    Task Run();
    Task ReceiveFile(uint8_t command);
    Task SendFile();
    Task SendFileList();
    Task SendFigures();
    Task SendVersion();
    Task ReceiveImage();

    Device& device_;
    Dialect dialect_;
    std::deque<OutChunk> output_;
    uint64_t nowMs_ = 0;

    std::coroutine_handle<> waiting_;
    uint32_t needed_ = 0;
    const char* fieldName_ = "";
    std::vector<uint8_t> field_;
    Task main_;
};

uint32_t Le(std::span<const uint8_t> bytes);

}  // namespace kivo::playersim
