#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The messages between a driver and kivo-player on the Unix socket. On connect the server
// sends one byte: kServed, or kBusy when it is serving another client. Then each request
// gets one response.
namespace kivo::playersim::rpc {

inline constexpr uint8_t kServed = 0;
inline constexpr uint8_t kBusy = 1;

enum class Op : uint8_t { kOpen = 1, kWrite, kRead, kClose, kControl, kPut, kGet };

// The continuation flag of a read that has none.
inline constexpr uint32_t kNoFlag = 0xFFFFFFFF;

struct Request {
    Op op = Op::kOpen;
    uint32_t a = 0;  // dialect, timeout, memory, a clean close
    uint32_t b = 0;  // read length, file type, index
    std::vector<uint8_t> payload;
    uint64_t clockMs = 0;     // the client's clock at a write or read
    uint32_t flag = kNoFlag;  // a read's continuation flag
};

struct Response {
    uint8_t ok = 0;
    uint32_t error = 0;  // an Error
    uint32_t done = 0;
    uint32_t waited = 0;
    std::vector<uint8_t> payload;
};

// A time on the project's clock (platform/win/clock.h) in milliseconds: the real clock in
// production, a test's virtual clock in tests.
using Deadline = uint64_t;
inline constexpr Deadline kNoDeadline = UINT64_MAX;
// `ms` milliseconds from now.
Deadline After(uint64_t ms);

// How a transfer ended: every byte moved, the deadline passed first, or the connection failed.
enum class Outcome { kDone, kLate, kLost };

Outcome SendAll(int fd, const void* data, size_t size, Deadline deadline);
Outcome ReceiveAll(int fd, void* data, size_t size, Deadline deadline);
Outcome Send(int fd, const Request& request, Deadline deadline);
Outcome Send(int fd, const Response& response, Deadline deadline);
Outcome Receive(int fd, Request& request, Deadline deadline);
Outcome Receive(int fd, Response& response, Deadline deadline);

std::vector<uint8_t> Encode(const Request& request);
std::vector<uint8_t> Encode(const Response& response);
inline constexpr size_t kRequestHeadBytes = 25;
// The whole length of the request that `head` (kRequestHeadBytes) begins; none when its
// payload is over the bound.
std::optional<size_t> RequestBytes(const uint8_t* head);
// The request at the front of `bytes`, taken off; none while it is not whole.
std::optional<Request> TakeRequest(std::vector<uint8_t>& bytes);

}  // namespace kivo::playersim::rpc
