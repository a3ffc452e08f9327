#include "playersim/server.h"

#include "platform/win/clock.h"
#include "playersim/channel.h"
#include "playersim/control.h"
#include "playersim/endpoint.h"
#include "playersim/rpc.h"
#include "playersim/store_lock.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

namespace kivo::playersim {

using win::UniqueFd;
namespace {

// A client that sends or takes nothing for this long before its first request or in the middle
// of a message is dropped, so that a stopped or broken process cannot keep the player.
constexpr uint64_t kStallMs = 5000;
constexpr size_t kChunk = 1 << 20;

// The answer while another process or player holds the store.
rpc::Response Held() {
    const std::string why = "another player holds the store";
    return {0, static_cast<uint32_t>(Error::kBusy), 0, 0, {why.begin(), why.end()}};
}

// Answers one request; none when the client is to be dropped. The store stays locked while a
// channel is open and for each request outside one, and the state is read again under the
// lock, so that no other process or player on the store saves over this one's changes.
std::optional<rpc::Response> Answer(Device& device, StoreLock& lock,
                                    std::unique_ptr<Channel>& channel, rpc::Request request) {
    rpc::Response r;
    const auto io = [&r](const IoResult& result) {
        r.ok = result.ok ? 1 : 0;
        r.error = static_cast<uint32_t>(result.error);
        r.done = result.done;
        r.waited = result.waitedMs;
    };
    switch (request.op) {
        case rpc::Op::kOpen:
            if (request.a > 1) {
                return std::nullopt;
            }
            if (!lock.Take()) {
                return Held();
            }
            channel = std::make_unique<Channel>(device, static_cast<Dialect>(request.a));
            r.ok = 1;
            return r;
        case rpc::Op::kWrite:
            if (!channel) {
                return std::nullopt;
            }
            io(channel->Write(request.payload, {request.a, request.clockMs, std::nullopt}));
            return r;
        case rpc::Op::kRead: {
            if (!channel || request.b > 64u * 1024 * 1024) {
                return std::nullopt;
            }
            r.payload.resize(request.b);
            io(channel->Read(
                r.payload,
                {request.a, request.clockMs,
                 request.flag == rpc::kNoFlag ? std::nullopt : std::optional(request.flag)}));
            r.payload.resize(r.done);
            return r;
        }
        case rpc::Op::kClose:
            if (channel) {
                channel->Close(request.a != 0);
            }
            channel.reset();
            r.ok = 1;
            return r;
        case rpc::Op::kControl: {
            if (!lock.Take()) {
                return Held();
            }
            device.player.Refresh();
            const ControlReply reply =
                Control(device, std::string(request.payload.begin(), request.payload.end()));
            r.ok = reply.ok ? 1 : 0;
            r.payload.assign(reply.text.begin(), reply.text.end());
            return r;
        }
        case rpc::Op::kPut: {
            const auto end = std::ranges::find(request.payload, 0);
            if (end == request.payload.end() || request.a > 255 || request.b > 255) {
                return std::nullopt;
            }
            if (!lock.Take()) {
                return Held();
            }
            device.player.Refresh();
            const std::span<const uint8_t> all(request.payload);
            const auto nameLength = static_cast<size_t>(end - request.payload.begin());
            r.done = PutDeviceFile(device, static_cast<uint8_t>(request.a),
                                   static_cast<uint8_t>(request.b), all.first(nameLength),
                                   all.subspan(nameLength + 1));
            r.ok = r.done != 0 ? 1 : 0;
            return r;
        }
        case rpc::Op::kGet:
            if (!lock.Take()) {
                return Held();
            }
            device.player.Refresh();
            if (request.b > 255 || device.player.Find(static_cast<uint8_t>(request.b)) == nullptr) {
                return r;
            }
            r.payload = device.player.Content(static_cast<uint8_t>(request.b));
            r.ok = 1;
            return r;
    }
    return std::nullopt;
}

// True when a process listens on the socket, even one too busy to accept (a full backlog).
bool Answered(const sockaddr_un& address) {
    UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (probe.get() < 0) {
        return false;
    }
    return ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
               0 ||
           errno == EAGAIN;
}

UniqueFd Listen(const std::string& path, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "the socket path is empty or too long: " + path;
        return UniqueFd();
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            error = path + " exists and is not a socket";
            return UniqueFd();
        }
        // Only a socket that nobody answers on is left over; a live one is another player's.
        if (Answered(address)) {
            error = "another player is already serving on " + path;
            return UniqueFd();
        }
        ::unlink(path.c_str());
    }
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.get() < 0 ||
        ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), 8) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        return UniqueFd();
    }
    return listener;
}

}  // namespace

Server::Server(Device& device, std::string path, std::string& error)
    : device_(device),
      path_(std::move(path)),
      listener_(Listen(path_, error)),
      lock_(device.player.LockFolder()) {}

Server::~Server() {
    if (listener_) {
        ::unlink(path_.c_str());
    }
}

void Server::Step(int waitMs) {
    const bool sending = Sending();
    pollfd fds[2] = {{listener_.get(), POLLIN, 0},
                     {client_.get(), static_cast<short>(sending ? POLLOUT : POLLIN), 0}};
    if (::poll(fds, client_ ? 2 : 1, waitMs) < 0) {
        return;
    }
    // The client first: one that has gone leaves the player free for a newcomer.
    if (client_ && fds[1].revents != 0 && !(sending ? Flush() : Fill())) {
        Drop();
    }
    if ((fds[0].revents & POLLIN) != 0) {
        Accept();
    }
    // Between requests a client may keep its open channel as long as it likes; a client without
    // one has a request to send.
    if (client_ && (Sending() || !in_.empty() || !channel_) && GetTickCount64() > dueMs_) {
        Drop();
    }
}

void Server::Accept() {
    UniqueFd incoming(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!incoming) {
        return;
    }
    const uint8_t greeting = client_ ? rpc::kBusy : rpc::kServed;
    // One byte into a fresh socket's empty buffer never waits.
    ::send(incoming.get(), &greeting, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (!client_) {
        client_ = std::move(incoming);
        dueMs_ = GetTickCount64() + kStallMs;
    }
}

// Takes what the client sent and answers each whole request; false when it is to go.
bool Server::Fill() {
    // The head first, then no more than the rest of its request, into room made once.
    const size_t had = in_.size();
    size_t want = rpc::kRequestHeadBytes - std::min(had, rpc::kRequestHeadBytes);
    if (want == 0) {
        const std::optional<size_t> whole = rpc::RequestBytes(in_.data());
        if (!whole) {
            return false;
        }
        in_.reserve(*whole);
        want = std::min(*whole - had, kChunk);
    }
    in_.resize(had + want);
    const ssize_t n = ::recv(client_.get(), in_.data() + had, want, MSG_DONTWAIT);
    in_.resize(had + static_cast<size_t>(std::max<ssize_t>(n, 0)));
    if (n < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    if (n == 0) {
        return false;
    }
    dueMs_ = GetTickCount64() + kStallMs;
    std::optional<rpc::Request> request = rpc::TakeRequest(in_);
    if (!request) {
        return true;
    }
    std::optional<rpc::Response> response = Answer(device_, lock_, channel_, std::move(*request));
    if (!response) {
        return false;
    }
    // A connection lives as long as its channel, so the next client finds the player and its
    // store free as soon as this one has its answer.
    if (!channel_) {
        lock_.Give();
    }
    out_ = rpc::Encode(*response);
    sent_ = 0;
    return Flush();
}

// Sends what the client can take of the answer; false when it is to go.
bool Server::Flush() {
    const ssize_t n = ::send(client_.get(), out_.data() + sent_, out_.size() - sent_,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
        return errno == EAGAIN || errno == EINTR;
    }
    sent_ += static_cast<size_t>(n);
    dueMs_ = GetTickCount64() + kStallMs;
    if (Sending()) {
        return true;
    }
    out_.clear();
    sent_ = 0;
    return channel_ != nullptr;
}

void Server::Drop() {
    client_.Reset();
    channel_.reset();
    lock_.Give();
    in_.clear();
    out_.clear();
    sent_ = 0;
}

bool Serve(Device& device, const std::string& path, const std::atomic<bool>& stop,
           std::string& error, void (*onListening)(const std::string& path)) {
    Server server(device, path, error);
    if (!server.Listening()) {
        return false;
    }
    if (onListening != nullptr) {
        onListening(path);
    }
    while (!stop) {
        // Wakes now and then to see `stop` and the stalled client's time.
        server.Step(250);
    }
    return true;
}

}  // namespace kivo::playersim
