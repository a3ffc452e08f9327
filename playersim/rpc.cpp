#include "playersim/rpc.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kivo::playersim::rpc {
namespace {

// Bound on one payload: the largest is a whole file of a put or get.
constexpr uint32_t kMaxPayload = 512u * 1024 * 1024;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint32_t Get32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool ReceivePayload(int fd, uint32_t size, std::vector<uint8_t>& payload) {
    if (size > kMaxPayload) {
        return false;
    }
    payload.resize(size);
    return ReceiveAll(fd, payload.data(), size);
}

}  // namespace

bool SendAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReceiveAll(int fd, void* data, size_t size) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool Send(int fd, const Request& r) {
    std::vector<uint8_t> out{static_cast<uint8_t>(r.op)};
    Put32(out, r.a);
    Put32(out, r.b);
    Put32(out, static_cast<uint32_t>(r.payload.size()));
    out.insert(out.end(), r.payload.begin(), r.payload.end());
    return SendAll(fd, out.data(), out.size());
}

bool Send(int fd, const Response& r) {
    std::vector<uint8_t> out{r.ok};
    Put32(out, r.error);
    Put32(out, r.done);
    Put32(out, r.waited);
    Put32(out, static_cast<uint32_t>(r.payload.size()));
    out.insert(out.end(), r.payload.begin(), r.payload.end());
    return SendAll(fd, out.data(), out.size());
}

std::optional<Request> ReceiveRequest(int fd) {
    uint8_t head[13];
    if (!ReceiveAll(fd, head, sizeof head)) {
        return std::nullopt;
    }
    Request r;
    r.op = static_cast<Op>(head[0]);
    r.a = Get32(head + 1);
    r.b = Get32(head + 5);
    if (!ReceivePayload(fd, Get32(head + 9), r.payload)) {
        return std::nullopt;
    }
    return r;
}

std::optional<Response> ReceiveResponse(int fd) {
    uint8_t head[17];
    if (!ReceiveAll(fd, head, sizeof head)) {
        return std::nullopt;
    }
    Response r;
    r.ok = head[0];
    r.error = Get32(head + 1);
    r.done = Get32(head + 5);
    r.waited = Get32(head + 9);
    if (!ReceivePayload(fd, Get32(head + 13), r.payload)) {
        return std::nullopt;
    }
    return r;
}

}  // namespace kivo::playersim::rpc
