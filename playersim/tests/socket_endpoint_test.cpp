// The socket endpoint against a server that answers with counts larger than the request.

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
    rpc::SendAll(client, &rpc::kServed, 1);
    while (const std::optional<rpc::Request> request = rpc::ReceiveRequest(client)) {
        rpc::Response response;
        response.ok = 1;
        if (request->op == rpc::Op::kRead || request->op == rpc::Op::kWrite) {
            response.done = kClaimed;
            response.payload = {7, 8, 9};
        }
        rpc::Send(client, response);
        if (request->op == rpc::Op::kClose) {
            break;
        }
    }
    ::close(client);
}

TEST(playersim_SocketEndpoint, CountsNeverExceedTheCallersBytes) {
    const std::filesystem::path path =
        std::filesystem::path(::testing::TempDir()) / "overstating.sock";
    std::filesystem::remove(path);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    std::thread server(ServeOverstatingClient, listener);

    const std::unique_ptr<Endpoint> endpoint = MakeSocketEndpoint(path.string());
    ASSERT_EQ(endpoint->Open(Dialect::kUsb), Error::kNone);
    std::array<uint8_t, 8> buffer{};
    const IoResult read = endpoint->Read(buffer, 100);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.done, 3u);
    EXPECT_EQ(buffer[2], 9);
    const IoResult shortRead = endpoint->Read(std::span(buffer).first(2), 100);
    EXPECT_EQ(shortRead.done, 2u);
    const std::array<uint8_t, 2> bytes{1, 2};
    EXPECT_EQ(endpoint->Write(bytes, 100).done, 2u);
    endpoint->Close();

    server.join();
    ::close(listener);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kivo::playersim
