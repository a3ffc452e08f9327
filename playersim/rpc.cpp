#include "playersim/rpc.h"

#include "platform/win/clock.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kivo::playersim::rpc {
namespace {

// Bound on one payload: the largest is a whole file of a put or get.
constexpr uint32_t kMaxPayload = 512u * 1024 * 1024;
constexpr size_t kResponseHeadBytes = 17;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint32_t Get32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Waits until `fd` is ready for `events` or the deadline passes on the project's clock. A wait
// without a deadline measures no time, so it needs no clock.
Outcome Await(int fd, short events, Deadline deadline) {
    for (;;) {
        int n = 0;
        if (deadline == kNoDeadline) {
            pollfd ready{fd, events, 0};
            n = ::poll(&ready, 1, -1);
        } else {
            const uint64_t now = GetTickCount64();
            if (now >= deadline) {
                return Outcome::kLate;
            }
            n = CurrentClock().Poll(
                fd, events, static_cast<uint32_t>(std::min<uint64_t>(deadline - now, UINT32_MAX)));
        }
        if (n > 0) {
            return Outcome::kDone;
        }
        if (n < 0 && errno != EINTR) {
            return Outcome::kLost;
        }
    }
}

Outcome ReceivePayload(int fd, uint32_t size, std::vector<uint8_t>& payload, Deadline deadline) {
    if (size > kMaxPayload) {
        return Outcome::kLost;
    }
    payload.resize(size);
    return ReceiveAll(fd, payload.data(), size, deadline);
}

// A request's head: op, a, b, the client's clock in two halves, the read's flag, then the
// payload's size.
constexpr size_t kPayloadSizeAt = 21;

void DecodeHead(const uint8_t* head, Request& r) {
    r.op = static_cast<Op>(head[0]);
    r.a = Get32(head + 1);
    r.b = Get32(head + 5);
    r.clockMs = Get32(head + 9) | uint64_t{Get32(head + 13)} << 32;
    r.flag = Get32(head + 17);
}

}  // namespace

Deadline After(uint64_t ms) {
    return GetTickCount64() + ms;
}

Outcome SendAll(int fd, const void* data, size_t size, Deadline deadline) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (const Outcome ready = Await(fd, POLLOUT, deadline); ready != Outcome::kDone) {
            return ready;
        }
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return Outcome::kLost;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return Outcome::kDone;
}

Outcome ReceiveAll(int fd, void* data, size_t size, Deadline deadline) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        if (const Outcome ready = Await(fd, POLLIN, deadline); ready != Outcome::kDone) {
            return ready;
        }
        const ssize_t n = ::recv(fd, p, size, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return Outcome::kLost;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return Outcome::kDone;
}

Outcome Send(int fd, const Request& r, Deadline deadline) {
    const std::vector<uint8_t> out = Encode(r);
    return SendAll(fd, out.data(), out.size(), deadline);
}

Outcome Send(int fd, const Response& r, Deadline deadline) {
    const std::vector<uint8_t> out = Encode(r);
    return SendAll(fd, out.data(), out.size(), deadline);
}

std::vector<uint8_t> Encode(const Request& r) {
    std::vector<uint8_t> out{static_cast<uint8_t>(r.op)};
    Put32(out, r.a);
    Put32(out, r.b);
    Put32(out, static_cast<uint32_t>(r.clockMs));
    Put32(out, static_cast<uint32_t>(r.clockMs >> 32));
    Put32(out, r.flag);
    Put32(out, static_cast<uint32_t>(r.payload.size()));
    out.insert(out.end(), r.payload.begin(), r.payload.end());
    return out;
}

std::vector<uint8_t> Encode(const Response& r) {
    std::vector<uint8_t> out{r.ok};
    Put32(out, r.error);
    Put32(out, r.done);
    Put32(out, r.waited);
    Put32(out, static_cast<uint32_t>(r.payload.size()));
    out.insert(out.end(), r.payload.begin(), r.payload.end());
    return out;
}

Outcome Receive(int fd, Request& r, Deadline deadline) {
    uint8_t head[kRequestHeadBytes];
    if (const Outcome got = ReceiveAll(fd, head, sizeof head, deadline); got != Outcome::kDone) {
        return got;
    }
    DecodeHead(head, r);
    return ReceivePayload(fd, Get32(head + kPayloadSizeAt), r.payload, deadline);
}

Outcome Receive(int fd, Response& r, Deadline deadline) {
    uint8_t head[kResponseHeadBytes];
    if (const Outcome got = ReceiveAll(fd, head, sizeof head, deadline); got != Outcome::kDone) {
        return got;
    }
    r.ok = head[0];
    r.error = Get32(head + 1);
    r.done = Get32(head + 5);
    r.waited = Get32(head + 9);
    return ReceivePayload(fd, Get32(head + 13), r.payload, deadline);
}

std::optional<size_t> RequestBytes(const uint8_t* head) {
    const uint32_t payload = Get32(head + kPayloadSizeAt);
    if (payload > kMaxPayload) {
        return std::nullopt;
    }
    return kRequestHeadBytes + payload;
}

std::optional<Request> TakeRequest(std::vector<uint8_t>& bytes) {
    if (bytes.size() < kRequestHeadBytes) {
        return std::nullopt;
    }
    const std::optional<size_t> length = RequestBytes(bytes.data());
    if (!length || bytes.size() < *length) {
        return std::nullopt;
    }
    Request r;
    DecodeHead(bytes.data(), r);
    const auto end = bytes.begin() + static_cast<std::ptrdiff_t>(*length);
    if (end == bytes.end()) {
        // The usual case, one request at a time: the payload is moved, not copied.
        bytes.erase(bytes.begin(), bytes.begin() + kRequestHeadBytes);
        r.payload = std::move(bytes);
        bytes.clear();
        return r;
    }
    r.payload.assign(bytes.begin() + kRequestHeadBytes, end);
    bytes.erase(bytes.begin(), end);
    return r;
}

}  // namespace kivo::playersim::rpc
