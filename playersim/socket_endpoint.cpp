#include "platform/win/unique_fd.h"
#include "playersim/endpoint.h"
#include "playersim/rpc.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cstring>

namespace kivo::playersim {

using win::UniqueFd;
namespace {

class SocketEndpoint : public Endpoint {
public:
    explicit SocketEndpoint(std::string path) : path_(std::move(path)) {}

    Error Open(Dialect dialect) override {
        const Error error = Connect(channel_);
        if (error != Error::kNone) {
            return error;
        }
        const auto answer = Ask(channel_, {rpc::Op::kOpen, static_cast<uint32_t>(dialect), 0, {}});
        if (!answer || !answer->ok) {
            channel_.Reset();
            return answer ? static_cast<Error>(answer->error) : Error::kConnectionLost;
        }
        return Error::kNone;
    }

    IoResult Write(std::span<const uint8_t> bytes, uint32_t timeoutMs) override {
        IoResult result =
            Io(Ask(channel_, {rpc::Op::kWrite, timeoutMs, 0, {bytes.begin(), bytes.end()}}));
        result.done = std::min<uint32_t>(result.done, static_cast<uint32_t>(bytes.size()));
        return result;
    }

    IoResult Read(std::span<uint8_t> bytes, uint32_t timeoutMs) override {
        const auto answer =
            Ask(channel_, {rpc::Op::kRead, timeoutMs, static_cast<uint32_t>(bytes.size()), {}});
        IoResult result = Io(answer);
        if (answer) {
            const size_t n = std::min(bytes.size(), answer->payload.size());
            std::copy_n(answer->payload.begin(), n, bytes.begin());
            result.done = std::min<uint32_t>(result.done, static_cast<uint32_t>(n));
        }
        return result;
    }

    void Close() override {
        if (channel_) {
            Ask(channel_, {rpc::Op::kClose, 0, 0, {}});
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
    Error Connect(UniqueFd& connection) const {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.size() >= sizeof address.sun_path) {
            return Error::kNoPlayer;
        }
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!socket || ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address),
                                 sizeof address) != 0) {
            return Error::kNoPlayer;
        }
        uint8_t greeting = rpc::kBusy;
        if (!rpc::ReceiveAll(socket.get(), &greeting, 1)) {
            return Error::kNoPlayer;
        }
        if (greeting != rpc::kServed) {
            return Error::kBusy;
        }
        connection = std::move(socket);
        return Error::kNone;
    }

    static std::optional<rpc::Response> Ask(UniqueFd& connection, const rpc::Request& request) {
        if (!connection || !rpc::Send(connection.get(), request)) {
            return std::nullopt;
        }
        return rpc::ReceiveResponse(connection.get());
    }

    // Uses the open channel's connection, else one of its own for this request.
    std::optional<rpc::Response> OneOff(const rpc::Request& request) {
        if (channel_) {
            return Ask(channel_, request);
        }
        UniqueFd connection;
        if (Connect(connection) != Error::kNone) {
            return std::nullopt;
        }
        return Ask(connection, request);
    }

    // The caller clamps the count to the bytes that really crossed, so a bad answer cannot
    // claim more than the caller's buffer holds.
    IoResult Io(const std::optional<rpc::Response>& answer) {
        if (!answer) {
            channel_.Reset();
            return {false, 0, Error::kConnectionLost, 0};
        }
        return {answer->ok != 0, answer->done, static_cast<Error>(answer->error), answer->waited};
    }

    std::string path_;
    UniqueFd channel_;
};

}  // namespace

std::unique_ptr<Endpoint> MakeSocketEndpoint(std::string path) {
    return std::make_unique<SocketEndpoint>(std::move(path));
}

}  // namespace kivo::playersim
