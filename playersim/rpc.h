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

struct Request {
    Op op = Op::kOpen;
    uint32_t a = 0;  // dialect, timeout, memory
    uint32_t b = 0;  // read length, file type, index
    std::vector<uint8_t> payload;
};

struct Response {
    uint8_t ok = 0;
    uint32_t error = 0;  // an Error
    uint32_t done = 0;
    uint32_t waited = 0;
    std::vector<uint8_t> payload;
};

bool SendAll(int fd, const void* data, size_t size);
bool ReceiveAll(int fd, void* data, size_t size);
bool Send(int fd, const Request& request);
bool Send(int fd, const Response& response);
std::optional<Request> ReceiveRequest(int fd);
std::optional<Response> ReceiveResponse(int fd);

}  // namespace kivo::playersim::rpc
