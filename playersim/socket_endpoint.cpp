#include "platform/win/unique_fd.h"
#include "playersim/endpoint.h"
#include "playersim/rpc.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kivo::playersim {

using win::UniqueFd;
namespace {

// The socket adds no wire time of its own: each call gets its timeout and this allowance
// for the player process to be scheduled on a busy machine.
constexpr uint32_t kSchedulingMs = 250;
// Bound on the test hooks' requests, which carry whole files.
constexpr uint32_t kHookMs = 60000;

rpc::Deadline CallDeadline(uint32_t timeoutMs) {
    return rpc::After(uint64_t{timeoutMs} + kSchedulingMs);
}

// What a call that did not get its answer tells the driver.
Error ErrorOf(rpc::Outcome outcome) {
    return outcome == rpc::Outcome::kLate ? Error::kTimeout : Error::kConnectionLost;
}

class SocketEndpoint : public Endpoint {
public:
    explicit SocketEndpoint(std::string path) : path_(std::move(path)) {}

    Error Open(Dialect dialect, uint32_t timeoutMs) override {
        const rpc::Deadline deadline = CallDeadline(timeoutMs);
        const Error error = Connect(channel_, deadline);
        if (error != Error::kNone) {
            return error;
        }
        rpc::Response answer;
        const rpc::Outcome outcome = Ask(
            channel_, {rpc::Op::kOpen, static_cast<uint32_t>(dialect), 0, {}}, answer, deadline);
        if (outcome != rpc::Outcome::kDone || !answer.ok) {
            channel_.Reset();
            return outcome == rpc::Outcome::kDone ? static_cast<Error>(answer.error)
                                                  : ErrorOf(outcome);
        }
        return Error::kNone;
    }

    IoResult Write(std::span<const uint8_t> bytes, const IoCall& call) override {
        rpc::Response answer;
        IoResult result =
            Io(Ask(channel_,
                   {rpc::Op::kWrite, call.timeoutMs, 0, {bytes.begin(), bytes.end()}, call.clockMs},
                   answer, CallDeadline(call.timeoutMs)),
               answer);
        result.done = std::min<uint32_t>(result.done, static_cast<uint32_t>(bytes.size()));
        return result;
    }

    IoResult Read(std::span<uint8_t> bytes, const IoCall& call) override {
        rpc::Response answer;
        IoResult result = Io(Ask(channel_,
                                 {rpc::Op::kRead,
                                  call.timeoutMs,
                                  static_cast<uint32_t>(bytes.size()),
                                  {},
                                  call.clockMs,
                                  call.more.value_or(rpc::kNoFlag)},
                                 answer, CallDeadline(call.timeoutMs)),
                             answer);
        const size_t n = std::min(bytes.size(), answer.payload.size());
        std::copy_n(answer.payload.begin(), n, bytes.begin());
        result.done = std::min<uint32_t>(result.done, static_cast<uint32_t>(n));
        return result;
    }

    void Close(bool clean) override {
        if (channel_) {
            rpc::Response answer;
            Ask(channel_, {rpc::Op::kClose, clean ? 1u : 0u, 0, {}}, answer,
                rpc::After(kSchedulingMs));
        }
        channel_.Reset();
    }

    ControlReply Control(const std::string& line) override {
        const auto answer = OneOff({rpc::Op::kControl, 0, 0, {line.begin(), line.end()}});
        if (!answer) {
            return {false, "no player"};
        }
        return {answer->ok != 0, std::string(answer->payload.begin(), answer->payload.end())};
    }

    uint8_t PutFile(uint8_t memory, uint8_t type, std::span<const uint8_t> name,
                    std::span<const uint8_t> content) override {
        std::vector<uint8_t> payload(name.begin(), name.end());
        payload.push_back(0);
        payload.insert(payload.end(), content.begin(), content.end());
        const auto answer = OneOff({rpc::Op::kPut, memory, type, std::move(payload)});
        return answer && answer->ok ? static_cast<uint8_t>(answer->done) : 0;
    }

    std::optional<std::vector<uint8_t>> GetFile(uint8_t index) override {
        auto answer = OneOff({rpc::Op::kGet, 0, index, {}});
        if (!answer || !answer->ok) {
            return std::nullopt;
        }
        return std::move(answer->payload);
    }

private:
    Error Connect(UniqueFd& connection, rpc::Deadline deadline) const {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.size() >= sizeof address.sun_path) {
            return Error::kNoPlayer;
        }
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!socket || ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address),
                                 sizeof address) != 0) {
            // A full backlog: a player is there but takes nobody.
            return socket && errno == EAGAIN ? Error::kTimeout : Error::kNoPlayer;
        }
        uint8_t greeting = rpc::kBusy;
        if (const rpc::Outcome got = rpc::ReceiveAll(socket.get(), &greeting, 1, deadline);
            got != rpc::Outcome::kDone) {
            return got == rpc::Outcome::kLate ? Error::kTimeout : Error::kNoPlayer;
        }
        if (greeting != rpc::kServed) {
            return Error::kBusy;
        }
        connection = std::move(socket);
        return Error::kNone;
    }

    static rpc::Outcome Ask(UniqueFd& connection, const rpc::Request& request,
                            rpc::Response& answer, rpc::Deadline deadline) {
        if (!connection) {
            return rpc::Outcome::kLost;
        }
        const rpc::Outcome sent = rpc::Send(connection.get(), request, deadline);
        return sent == rpc::Outcome::kDone ? rpc::Receive(connection.get(), answer, deadline)
                                           : sent;
    }

    // Uses the open channel's connection, else one of its own for this request.
    std::optional<rpc::Response> OneOff(const rpc::Request& request) {
        const rpc::Deadline deadline = rpc::After(kHookMs);
        UniqueFd own;
        if (!channel_ && Connect(own, deadline) != Error::kNone) {
            return std::nullopt;
        }
        rpc::Response answer;
        if (Ask(channel_ ? channel_ : own, request, answer, deadline) != rpc::Outcome::kDone) {
            return std::nullopt;
        }
        return answer;
    }

    // The caller clamps the count to the bytes that really crossed, so a bad answer cannot
    // claim more than the caller's buffer holds. An answer that did not come in time may still
    // come: the connection goes, and with it the channel.
    IoResult Io(rpc::Outcome outcome, const rpc::Response& answer) {
        if (outcome != rpc::Outcome::kDone) {
            channel_.Reset();
            return {false, 0, ErrorOf(outcome), 0};
        }
        return {answer.ok != 0, answer.done, static_cast<Error>(answer.error), answer.waited};
    }

    std::string path_;
    UniqueFd channel_;
};

}  // namespace

std::unique_ptr<Endpoint> MakeSocketEndpoint(std::string path) {
    return std::make_unique<SocketEndpoint>(std::move(path));
}

}  // namespace kivo::playersim
