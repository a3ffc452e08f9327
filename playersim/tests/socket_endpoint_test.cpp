// The socket endpoint against servers that overstate their counts or do not answer; their
// deadlines run on the virtual clock.

#include "platform/win/clock.h"
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

// A listening socket at a fresh path of this process in the test's folder.
int Listen(const std::string& name, std::filesystem::path& path) {
    path = std::filesystem::path(::testing::TempDir()) / (std::to_string(::getpid()) + "-" + name);
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

// The time a call on the socket may take: its timeout and a quarter second for scheduling.
uint64_t Allowed(uint32_t timeoutMs) {
    return uint64_t{timeoutMs} + 250;
}

// A player that takes the connection but never greets (stopped before it accepted): the open
// gives up exactly at its timeout on the PC's clock, the largest timeout included.
TEST(playersim_SocketEndpoint, AnOpenNobodyGreetsEndsAtItsTimeout) {
    ScopedVirtualClock clock;
    clock->SetPeerStalled(true);
    for (const uint32_t timeout : {0u, 100u, 3000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(timeout);
        // A listener of its own, whose backlog this one connection cannot fill.
        std::filesystem::path path;
        const int silent = Listen("silent.sock", path);
        ASSERT_GE(silent, 0);
        const std::unique_ptr<Endpoint> greetless = MakeSocketEndpoint(path.string());
        const uint64_t start = GetTickCount64();
        EXPECT_EQ(greetless->Open(Dialect::kUsb, timeout), Error::kTimeout);
        EXPECT_EQ(GetTickCount64() - start, Allowed(timeout));
        ::close(silent);
        std::filesystem::remove(path);
    }
}

// A player that stops answering in the middle of a channel: the call it does not answer gives
// up exactly at its timeout on the PC's clock, and the channel is gone afterwards, so that the
// next call fails at once.
TEST(playersim_SocketEndpoint, ACallThePlayerLeavesUnansweredEndsAtItsTimeout) {
    struct Case {
        bool write;
        uint32_t timeout;
    };
    std::filesystem::path path;
    const int listener = Listen("stalling.sock", path);
    ASSERT_GE(listener, 0);
    ScopedVirtualClock clock;
    for (const Case c : {Case{true, 20}, Case{false, 100}, Case{false, 40000}}) {
        SCOPED_TRACE(testing::Message() << (c.write ? "write " : "read ") << c.timeout);
        clock->SetPeerStalled(false);
        std::thread server(ServeThenStall, listener);
        const std::unique_ptr<Endpoint> endpoint = MakeSocketEndpoint(path.string());
        ASSERT_EQ(endpoint->Open(Dialect::kParallel, c.timeout), Error::kNone);
        clock->SetPeerStalled(true);
        const uint64_t start = GetTickCount64();
        std::array<uint8_t, 4> buffer{1, 2};
        const IoCall call{c.timeout, start, std::nullopt};
        const IoResult stalled = c.write ? endpoint->Write(std::span(buffer).first(2), call)
                                         : endpoint->Read(buffer, call);
        EXPECT_FALSE(stalled.ok);
        EXPECT_EQ(stalled.error, Error::kTimeout);
        EXPECT_EQ(stalled.done, 0u);
        EXPECT_EQ(GetTickCount64() - start, Allowed(c.timeout));

        const IoResult after = endpoint->Read(buffer, call);
        EXPECT_FALSE(after.ok);
        EXPECT_EQ(after.error, Error::kConnectionLost);
        endpoint->Close(false);
        EXPECT_EQ(GetTickCount64() - start, Allowed(c.timeout));
        server.join();
    }
    ::close(listener);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kivo::playersim
