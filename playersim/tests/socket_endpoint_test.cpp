// The socket endpoint against servers that overstate their counts or do not answer.

#include "playersim/endpoint.h"
#include "playersim/rpc.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <thread>

namespace kivo::playersim {
namespace {

constexpr uint32_t kClaimed = 5000;

// Serves one client: opens its channel, then answers every read and write with kClaimed done
// and three payload bytes, until the client closes.
void ServeOverstatingClient(int listener) {
    const int client = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(client, 0);
    rpc::SendAll(client, &rpc::kServed, 1, rpc::kNoDeadline);
    rpc::Request request;
    while (rpc::Receive(client, request, rpc::kNoDeadline) == rpc::Outcome::kDone) {
        rpc::Response response;
        response.ok = 1;
        if (request.op == rpc::Op::kRead || request.op == rpc::Op::kWrite) {
            response.done = kClaimed;
            response.payload = {7, 8, 9};
        }
        rpc::Send(client, response, rpc::kNoDeadline);
        if (request.op == rpc::Op::kClose) {
            break;
        }
    }
    ::close(client);
}

// Serves one client: opens its channel, then takes its next request and never answers, until
// the client goes.
void ServeThenStall(int listener) {
    const int client = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(client, 0);
    rpc::SendAll(client, &rpc::kServed, 1, rpc::kNoDeadline);
    rpc::Request request;
    if (rpc::Receive(client, request, rpc::kNoDeadline) == rpc::Outcome::kDone) {
        rpc::Response opened;
        opened.ok = 1;
        rpc::Send(client, opened, rpc::kNoDeadline);
        while (rpc::Receive(client, request, rpc::kNoDeadline) == rpc::Outcome::kDone) {
        }
    }
    ::close(client);
}

// A listening socket at a fresh path in the test's folder.
int Listen(const std::string& name, std::filesystem::path& path) {
    path = std::filesystem::path(::testing::TempDir()) / name;
    std::filesystem::remove(path);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (listener < 0 || path.string().size() >= sizeof address.sun_path) {
        return -1;
    }
    std::strcpy(address.sun_path, path.c_str());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0) {
        ::close(listener);
        return -1;
    }
    return listener;
}

TEST(playersim_SocketEndpoint, CountsNeverExceedTheCallersBytes) {
    std::filesystem::path path;
    const int listener = Listen("overstating.sock", path);
    ASSERT_GE(listener, 0);
    std::thread server(ServeOverstatingClient, listener);

    const std::unique_ptr<Endpoint> endpoint = MakeSocketEndpoint(path.string());
    ASSERT_EQ(endpoint->Open(Dialect::kUsb, 100), Error::kNone);
    std::array<uint8_t, 8> buffer{};
    const IoResult read = endpoint->Read(buffer, {100, 0, std::nullopt});
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.done, 3u);
    EXPECT_EQ(buffer[2], 9);
    const IoResult shortRead = endpoint->Read(std::span(buffer).first(2), {100, 0, std::nullopt});
    EXPECT_EQ(shortRead.done, 2u);
    const std::array<uint8_t, 2> bytes{1, 2};
    EXPECT_EQ(endpoint->Write(bytes, {100, 0, std::nullopt}).done, 2u);
    endpoint->Close(true);

    server.join();
    ::close(listener);
    std::filesystem::remove(path);
}

// A player that takes the connection but never greets (stopped before it accepted), and one
// that stops answering in the middle of a channel: each call gives up after its own timeout,
// and the channel is gone afterwards.
TEST(playersim_SocketEndpoint, CallsEndAtTheirTimeoutWhenThePlayerStopsAnswering) {
    std::filesystem::path path;
    const int silent = Listen("silent.sock", path);
    ASSERT_GE(silent, 0);
    const std::unique_ptr<Endpoint> greetless = MakeSocketEndpoint(path.string());
    EXPECT_EQ(greetless->Open(Dialect::kUsb, 20), Error::kTimeout);
    ::close(silent);

    const int listener = Listen("stalling.sock", path);
    ASSERT_GE(listener, 0);
    std::thread server(ServeThenStall, listener);
    const std::unique_ptr<Endpoint> endpoint = MakeSocketEndpoint(path.string());
    ASSERT_EQ(endpoint->Open(Dialect::kParallel, 20), Error::kNone);
    const std::array<uint8_t, 2> bytes{1, 2};
    const IoResult write = endpoint->Write(bytes, {20, 0, std::nullopt});
    EXPECT_FALSE(write.ok);
    EXPECT_EQ(write.error, Error::kTimeout);
    EXPECT_EQ(write.done, 0u);
    std::array<uint8_t, 4> buffer{};
    const IoResult read = endpoint->Read(buffer, {20, 0, std::nullopt});
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, Error::kConnectionLost);
    endpoint->Close(false);
    server.join();
    ::close(listener);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kivo::playersim
