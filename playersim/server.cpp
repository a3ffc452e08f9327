#include "playersim/server.h"

#include "platform/win/unique_fd.h"
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
            io(channel->Write(request.payload, request.a));
            return r;
        case rpc::Op::kRead: {
            if (!channel || request.b > 64u * 1024 * 1024) {
                return std::nullopt;
            }
            r.payload.resize(request.b);
            io(channel->Read(r.payload, request.a));
            r.payload.resize(r.done);
            return r;
        }
        case rpc::Op::kClose:
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

bool Serve(Device& device, const std::string& path, const std::atomic<bool>& stop,
           std::string& error, void (*onListening)(const std::string& path)) {
    UniqueFd listener = Listen(path, error);
    if (listener.get() < 0) {
        return false;
    }
    if (onListening != nullptr) {
        onListening(path);
    }
    StoreLock lock(device.player.LockFolder());
    UniqueFd client;
    std::unique_ptr<Channel> channel;
    while (!stop) {
        pollfd fds[2] = {{listener.get(), POLLIN, 0}, {client.get(), POLLIN, 0}};
        const int ready = ::poll(fds, client.get() >= 0 ? 2 : 1, 250);
        if (ready <= 0) {
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            UniqueFd incoming(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (incoming.get() >= 0) {
                const uint8_t greeting = client.get() >= 0 ? rpc::kBusy : rpc::kServed;
                rpc::SendAll(incoming.get(), &greeting, 1);
                if (greeting == rpc::kServed) {
                    client = std::move(incoming);
                }
            }
        }
        if (client.get() >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            std::optional<rpc::Request> request = rpc::ReceiveRequest(client.get());
            std::optional<rpc::Response> response;
            if (request) {
                response = Answer(device, lock, channel, std::move(*request));
            }
            // A connection lives as long as its channel, so the next client finds the player
            // and its store free as soon as this one has its answer.
            if (!channel) {
                lock.Give();
            }
            if (!response || !rpc::Send(client.get(), *response) || !channel) {
                client.Reset();
                channel.reset();
                lock.Give();
            }
        }
    }
    ::unlink(path.c_str());
    return true;
}

}  // namespace kivo::playersim
