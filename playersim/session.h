#pragma once

#include "playersim/device.h"
#include "playersim/task.h"

#include <coroutine>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The player's side of the commands for one opened channel: fed with the PC's bytes, it
// queues its answers.
namespace kivo::playersim {

// Answer bytes waiting for the PC. A read stops early at a break (a short read) and cannot
// take bytes before they are ready; a read that starts before `notBeforeMs` is one the player
// was not ready for.
struct OutChunk {
    std::vector<uint8_t> bytes;
    size_t taken = 0;
    bool breakAfter = false;
    uint64_t readyAtMs = 0;
    uint64_t notBeforeMs = 0;
    const char* field = "";
};

class Session {
public:
    Session(Device& device, Dialect dialect);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Takes the PC's bytes; fewer than given when the player takes a field short.
    size_t Feed(std::span<const uint8_t> bytes);
    std::deque<OutChunk>& Output() { return output_; }
    // The PC's clock as the bytes arrive, for the waits the player needs and the time at
    // which answers become ready.
    void SetNow(uint64_t ms) { nowMs_ = ms; }
    // The PC did what a real player would not take: counted, and from then on the player
    // takes the PC's bytes but answers nothing on this channel, so the PC times out.
    void Violation(std::string what);
    // The PC closed the channel. After a clean close (see Endpoint::Close) reply bytes left
    // unread count as a violation, and a delete exchange of a system file counts as done.
    void Close(bool clean);

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
    void Send(std::vector<uint8_t> bytes, const char* field, uint64_t notBeforeMs = 0);
    // False, after counting a violation, when less than `ms` passed since `sinceMs`.
    bool Waited(uint64_t sinceMs, uint32_t ms, const char* field);
    void Note(std::string line) { device_.transcript.Add(std::move(line)); }
    // Records a violation without silencing the channel.
    void Count(std::string what);

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
    bool silent_ = false;
    // The system file whose delete exchange this channel carries.
    std::optional<uint8_t> deleting_;
};

uint32_t Le(std::span<const uint8_t> bytes);

}  // namespace kivo::playersim
