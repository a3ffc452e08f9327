// kivo-player's loop in this process, stepped by the test on the virtual clock, with clients
// that stall at each point of an exchange.

#include "platform/win/clock.h"
#include "platform/win/unique_fd.h"
#include "playersim/endpoint.h"
#include "playersim/rpc.h"
#include "playersim/server.h"
#include "playersim/store.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace kivo::playersim {
namespace {

namespace fs = std::filesystem;
using win::UniqueFd;

constexpr uint8_t kBigFile = 6;

// A player in memory with one file far larger than a socket holds, served on a path of the
// test's own.
struct LoopFixture {
    LoopFixture()
        : path(fs::path(::testing::TempDir()) /
               ("kivo-loop-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(::getpid()) + ".sock")),
          device(MakeMemoryStore()),
          server(device, path.string(), error) {
        const std::vector<uint8_t> name{'b', 'i', 'g'};
        PutDeviceFile(device, 0, 1, name, std::vector<uint8_t>(1u << 20, 0x5A));
    }
    // Runs the loop once for every step a client's bytes may take; waits for nothing.
    void Settle() {
        for (int i = 0; i < 4; ++i) {
            server.Step(0);
        }
    }
    // A new client, connected and greeted: the greeting, none when nobody greeted it.
    std::optional<uint8_t> Newcomer(UniqueFd& connection) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        connection = UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address),
                      sizeof address) != 0) {
            return std::nullopt;
        }
        Settle();
        uint8_t greeting = 0;
        if (::recv(connection.get(), &greeting, 1, MSG_DONTWAIT) != 1) {
            return std::nullopt;
        }
        return greeting;
    }
    std::optional<uint8_t> Newcomer() {
        UniqueFd connection;
        return Newcomer(connection);
    }
    // Sends a whole request and takes its answer; none when none came.
    std::optional<rpc::Response> Ask(const UniqueFd& client, const rpc::Request& request) {
        rpc::Response answer;
        if (rpc::Send(client.get(), request, rpc::kNoDeadline) != rpc::Outcome::kDone) {
            return std::nullopt;
        }
        Settle();
        if (rpc::Receive(client.get(), answer, rpc::kNoDeadline) != rpc::Outcome::kDone) {
            return std::nullopt;
        }
        return answer;
    }

    const fs::path path;
    std::string error;
    Device device;
    Server server;
};

void SendAll(const UniqueFd& connection, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(rpc::SendAll(connection.get(), bytes.data(), bytes.size(), rpc::kNoDeadline),
              rpc::Outcome::kDone);
}

// A client that stops at some point of an exchange keeps the player for five seconds on the
// PC's clock and no longer: until then every newcomer is told at once that the player is held,
// after them the client is dropped and the next newcomer is served. One that closes frees the
// player at once. The stalls in a message come on an open channel, which alone would keep the
// client.
TEST(playersim_ServerLoop, AStalledClientIsDroppedAfterFiveSeconds) {
    struct Case {
        const char* what;
        bool opened;
        std::vector<uint8_t> sent;
        std::optional<uint64_t> heldMs;
    };
    const std::vector<uint8_t> control =
        rpc::Encode(rpc::Request{rpc::Op::kControl, 0, 0, {'f', 'i', 'l', 'e', 's'}});
    const Case cases[] = {
        {"closes at once", false, {}, std::nullopt},
        {"sends nothing", false, {}, 5000},
        {"stops in a request's head", true, {control.begin(), control.begin() + 5}, 5000},
        {"stops in a request's payload", true, {control.begin(), control.end() - 1}, 5000},
        {"stops taking its answer", true, rpc::Encode(rpc::Request{rpc::Op::kGet, 0, kBigFile, {}}),
         5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedVirtualClock clock;
        LoopFixture loop;
        ASSERT_TRUE(loop.server.Listening()) << loop.error;
        UniqueFd client;
        ASSERT_EQ(loop.Newcomer(client), rpc::kServed);
        if (c.opened) {
            const std::optional<rpc::Response> opened =
                loop.Ask(client, {rpc::Op::kOpen, 0, 0, {}});
            ASSERT_TRUE(opened && opened->ok);
        }
        SendAll(client, c.sent);
        if (!c.heldMs) {
            client.Reset();
        }
        loop.Settle();
        if (c.heldMs) {
            clock->Advance(*c.heldMs);
            loop.Settle();
            EXPECT_EQ(loop.Newcomer(), rpc::kBusy) << "held for " << *c.heldMs << " ms";
            clock->Advance(1);
            loop.Settle();
        }
        UniqueFd next;
        ASSERT_EQ(loop.Newcomer(next), rpc::kServed);
        const std::optional<rpc::Response> opened = loop.Ask(next, {rpc::Op::kOpen, 0, 0, {}});
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->ok, 1);
    }
}

// A client that holds an open channel may wait between its requests as long as it likes (a USB
// initialise waits 20 seconds): it is not dropped, and its next request is answered.
TEST(playersim_ServerLoop, AnOpenChannelIsKeptBetweenRequests) {
    ScopedVirtualClock clock;
    LoopFixture loop;
    ASSERT_TRUE(loop.server.Listening()) << loop.error;
    UniqueFd client;
    ASSERT_EQ(loop.Newcomer(client), rpc::kServed);
    const std::optional<rpc::Response> opened = loop.Ask(client, {rpc::Op::kOpen, 1, 0, {}});
    ASSERT_TRUE(opened);
    ASSERT_EQ(opened->ok, 1);
    clock->Advance(60000);
    loop.Settle();
    EXPECT_EQ(loop.Newcomer(), rpc::kBusy);
    const std::optional<rpc::Response> written = loop.Ask(client, {rpc::Op::kWrite, 100, 0, {10}});
    ASSERT_TRUE(written);
    EXPECT_EQ(written->ok, 1);
    EXPECT_EQ(written->done, 1u);
}

}  // namespace
}  // namespace kivo::playersim
