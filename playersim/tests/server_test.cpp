// kivo-player as a child process on a socket in a temporary folder, and the folder store.

#include "drivers/tests/client.h"
#include "platform/win/clock.h"
#include "platform/win/process.h"
#include "platform/win/unique_fd.h"
#include "playersim/player.h"
#include "playersim/rpc.h"
#include "playersim/store.h"
#include "playersim/tests/worker_content.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>

extern char** environ;

namespace kivo::playersim::testing {

using namespace px::testing;
namespace {

namespace fs = std::filesystem;

fs::path TempFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("kivo-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// kivo-player running until the object goes; waits (bounded) until it listens.
class ServerProcess {
public:
    ServerProcess(const fs::path& socket, const fs::path& store,
                  std::vector<std::string> options = {}) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        std::vector<std::string> args = {(ProgramFolder() / "kivo-player").string(), "--socket",
                                         socket.string(), "--store", store.string()};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        pollfd ready{out[0], POLLIN, 0};
        char line[256] = {};
        if (pid_ > 0 && ::poll(&ready, 1, 10000) == 1 &&
            ::read(out[0], line, sizeof line - 1) > 0) {
            output_ = line;
            listening_ = output_.find("listening") != std::string::npos;
        }
        ::close(out[0]);
    }
    ~ServerProcess() { Stop(); }
    bool Listening() const { return listening_; }
    // Stops the player and returns once it has stopped, so that it answers nothing more.
    bool Pause() const {
        int status = 0;
        return ::kill(pid_, SIGSTOP) == 0 && ::waitpid(pid_, &status, WUNTRACED) == pid_ &&
               WIFSTOPPED(status);
    }
    void Resume() const { ::kill(pid_, SIGCONT); }
    // What the player wrote first: that it listens, or why it cannot.
    const std::string& Output() const { return output_; }
    int Stop() {
        int status = -1;
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        return status;
    }

private:
    pid_t pid_ = -1;
    bool listening_ = false;
    std::string output_;
};

TEST(playersim_Server, StateSurvivesARestart) {
    const fs::path folder = TempFolder("server");
    const fs::path socket = folder / "player.sock";
    const DriverApi& usb = Driver(Which::kPxapi);
    const DriverApi& dll = Driver(Which::kPxdll);
    setenv("KIVO_PLAYER", ("unix:" + socket.string()).c_str(), 1);
    usb.TestReset();
    dll.TestReset();
    ScopedVirtualClock clock;
    std::vector<uint8_t> data(33257);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i % 253);
    }
    uint8_t index = 0;
    {
        ServerProcess server(socket, folder / "store", {"--version", "0", "2", "0", "0"});
        ASSERT_TRUE(server.Listening());
        Client client(usb);
        ASSERT_EQ(client.Upload(1, 1, "kept.mp3", data, index), 0u);
        EXPECT_EQ(index, 131);

        // One client at a time: a second one finds the player taken.
        ASSERT_EQ(dll.AcquirePort(1), 0);
        const PxHandle h = dll.CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0, nullptr);
        ASSERT_NE(h, kPxInvalidHandle);
        EXPECT_EQ(usb.CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0, nullptr), kPxInvalidHandle);
        EXPECT_EQ(usb.GetLastError(), kPxErrorPortBusy);
        dll.CloseHandle(h);
        dll.ReleasePort(1);
        EXPECT_EQ(server.Stop(), 0);
    }
    EXPECT_FALSE(fs::exists(socket));
    ServerProcess server(socket, folder / "store");
    ASSERT_TRUE(server.Listening());
    Client client(dll);
    const Download d = client.Get(index);
    EXPECT_EQ(d.status, 0u);
    EXPECT_EQ(d.data, data);
    std::vector<uint8_t> version;
    ASSERT_EQ(client.Version(version), 0u);
    EXPECT_EQ(version[5], 2);
    EXPECT_EQ(dll.Control("files"), "131 card 1 33257 kept.mp3\n");
    server.Stop();
    fs::remove_all(folder);
}

// A store worker running with KIVO_PLAYER set to `player`; Output() waits for it to end.
class WorkerProcess {
public:
    WorkerProcess(const std::string& player, const std::string& driver, const std::string& prefix,
                  int count) {
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        std::vector<std::string> args = {(ProgramFolder() / "kivo-store-worker").string(), driver,
                                         prefix, std::to_string(count)};
        std::vector<std::string> env = {"KIVO_PLAYER=" + player};
        for (char** e = environ; *e != nullptr; ++e) {
            if (!std::string_view(*e).starts_with("KIVO_PLAYER=")) {
                env.emplace_back(*e);
            }
        }
        std::vector<char*> argv, envp;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = win::UniqueFd(out[0]);
    }
    // What the worker printed; empty with a note when it did not end well.
    std::string Output() {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(output_.get(), buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<size_t>(n));
        }
        int status = -1;
        if (pid_ > 0) {
            ::waitpid(pid_, &status, 0);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << text;
        return text;
    }

private:
    pid_t pid_ = -1;
    win::UniqueFd output_;
};

TEST(playersim_Server, HoldsTheStoreWhileAnotherProcessUsesIt) {
    const fs::path folder = TempFolder("held-store");
    const fs::path store = folder / "store";
    const fs::path socket = folder / "player.sock";
    ServerProcess server(socket, store);
    ASSERT_TRUE(server.Listening());
    const DriverApi& dll = Driver(Which::kPxdll);
    const DriverApi& usb = Driver(Which::kPxapi);
    setenv("KIVO_PLAYER", ("sim:" + store.string()).c_str(), 1);
    dll.TestReset();
    setenv("KIVO_PLAYER", ("unix:" + socket.string()).c_str(), 1);
    usb.TestReset();
    ScopedVirtualClock clock;

    ASSERT_EQ(dll.AcquirePort(1), 0);
    EXPECT_EQ(usb.CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0, nullptr), kPxInvalidHandle);
    EXPECT_EQ(usb.GetLastError(), kPxErrorPortBusy);
    const Download held = Client(usb).Get(6);
    EXPECT_EQ(held.status, kPxErrorPortBusy);
    dll.ReleasePort(1);

    // Each sees what the other stored, as one player.
    uint8_t first = 0;
    uint8_t second = 0;
    ASSERT_EQ(Client(usb).Upload(0, 1, "by-server", std::vector<uint8_t>(10, 1), first), 0u);
    ASSERT_EQ(Client(dll).Upload(0, 1, "in-process", std::vector<uint8_t>(20, 2), second), 0u);
    EXPECT_EQ(first, 6);
    EXPECT_EQ(second, 7);
    EXPECT_EQ(usb.Control("files"), "6 flash 1 10 by-server\n7 flash 1 20 in-process\n");
    dll.TestReset();
    usb.TestReset();
    server.Stop();
    fs::remove_all(folder);
}

// Processes through two kivo-players and in-process players on one store, each uploading and
// deleting as fast as it gets the player: every upload that answered 0 and was not deleted
// is there afterwards, under its index, whole.
TEST(playersim_Server, ProcessesSharingAStoreLoseNoUpload) {
    const fs::path folder = TempFolder("shared-store");
    const fs::path store = folder / "store";
    ServerProcess one(folder / "one.sock", store);
    ServerProcess two(folder / "two.sock", store);
    ASSERT_TRUE(one.Listening());
    ASSERT_TRUE(two.Listening());
    const std::string inProcess = "sim:" + store.string();
    const std::string viaOne = "unix:" + (folder / "one.sock").string();
    const std::string viaTwo = "unix:" + (folder / "two.sock").string();
    constexpr int kEach = 10;
    std::vector<std::unique_ptr<WorkerProcess>> workers;
    workers.push_back(std::make_unique<WorkerProcess>(inProcess, "pxdll", "a", kEach));
    workers.push_back(std::make_unique<WorkerProcess>(inProcess, "pxapi", "b", kEach));
    workers.push_back(std::make_unique<WorkerProcess>(viaOne, "pxdll", "c", kEach));
    workers.push_back(std::make_unique<WorkerProcess>(viaOne, "pxapi", "d", kEach));
    workers.push_back(std::make_unique<WorkerProcess>(viaTwo, "pxapi", "e", kEach));
    std::map<std::string, int> kept;
    size_t uploads = 0;
    for (const auto& worker : workers) {
        std::istringstream lines(worker->Output());
        std::string what, name;
        int index = 0;
        while (lines >> what) {
            ASSERT_TRUE(what == "uploaded" || what == "deleted") << what;
            lines >> index >> name;
            if (what == "uploaded") {
                ++uploads;
                kept[name] = index;
            } else {
                kept.erase(name);
            }
        }
    }
    EXPECT_EQ(uploads, workers.size() * kEach);
    one.Stop();
    two.Stop();
    Player player(MakeFolderStore(store));
    EXPECT_TRUE(player.StoreProblem().empty()) << player.StoreProblem();
    std::map<std::string, int> listed;
    for (const auto& [index, file] : player.State().files) {
        listed[std::string(file.name.begin(), file.name.end())] = index;
    }
    EXPECT_EQ(listed, kept);
    for (const auto& [name, index] : kept) {
        EXPECT_EQ(player.Content(static_cast<uint8_t>(index)), WorkerContent(name)) << name;
    }
    fs::remove_all(folder);
}

// Connects to the socket and reads the server's greeting; none when nobody answers.
std::optional<uint8_t> Greeting(const fs::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    win::UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    uint8_t greeting = 0;
    if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0 ||
        ::recv(connection.get(), &greeting, 1, 0) != 1) {
        return std::nullopt;
    }
    return greeting;
}

// Connects, takes the greeting and sends the first bytes of a request, then stalls.
win::UniqueFd HalfRequest(const fs::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    win::UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    uint8_t greeting = rpc::kBusy;
    const uint8_t half[5] = {static_cast<uint8_t>(rpc::Op::kOpen), 0, 0, 0, 0};
    if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
            0 ||
        ::recv(connection.get(), &greeting, 1, 0) != 1 || greeting != rpc::kServed ||
        ::send(connection.get(), half, sizeof half, MSG_NOSIGNAL) != sizeof half) {
        return win::UniqueFd();
    }
    return connection;
}

// kivo-player serving a store in a fresh folder, and a driver set to reach it.
struct ServedPlayer {
    ServedPlayer(const std::string& name, const DriverApi& api)
        : driver(api),
          folder(TempFolder(name)),
          socket(folder / "player.sock"),
          server(socket, folder / "store") {
        setenv("KIVO_PLAYER", ("unix:" + socket.string()).c_str(), 1);
        driver.TestReset();
    }
    ~ServedPlayer() {
        driver.TestReset();
        server.Stop();
        fs::remove_all(folder);
    }
    const DriverApi& driver;
    const fs::path folder;
    const fs::path socket;
    ServerProcess server;
    ScopedVirtualClock clock;
};

// A peer that stalls in the middle of a request keeps the player, but never the server: the
// others are told at once that the player is held, and are served once the peer goes.
TEST(playersim_Server, AStalledPeerBlocksNoOtherClient) {
    ServedPlayer player("stalled-peer", Driver(Which::kPxapi));
    ASSERT_TRUE(player.server.Listening());
    const DriverApi& usb = player.driver;
    win::UniqueFd stalled = HalfRequest(player.socket);
    ASSERT_TRUE(stalled);
    EXPECT_EQ(Greeting(player.socket), rpc::kBusy);
    uint8_t answer = 0xFF;
    EXPECT_EQ(Client(usb).Status10(answer), kPxErrorPortBusy);
    stalled.Reset();
    EXPECT_EQ(Client(usb).Status10(answer), 0u);
    EXPECT_EQ(answer, 0);
}

// A stopped kivo-player: every call of the driver ends exactly at its timeout and a quarter
// second on the PC's clock with the timeout's last error, the channel is lost after it, and a
// new one is refused at its own timeout.
TEST(playersim_Server, AStoppedPlayerEndsEachCallAtItsTimeout) {
    ServedPlayer player("stopped-player", Driver(Which::kPxdll));
    ASSERT_TRUE(player.server.Listening());
    const DriverApi& dll = player.driver;
    ASSERT_EQ(dll.AcquirePort(1), 0);
    const PxHandle h = dll.CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0, nullptr);
    ASSERT_NE(h, kPxInvalidHandle);
    dll.SetTimeOut(20);
    ASSERT_TRUE(player.server.Pause());
    player.clock->SetPeerStalled(true);
    const uint64_t start = GetTickCount64();
    const uint8_t command = 10;
    uint32_t done = 99;
    EXPECT_EQ(dll.WriteFile(h, &command, 1, &done, nullptr), 0);
    EXPECT_EQ(dll.GetLastError(), kPxErrorTimeout);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(GetTickCount64(), start + 270);
    uint8_t answer = 0;
    EXPECT_EQ(dll.ReadFile(h, &answer, 1, &done, nullptr), 0);
    EXPECT_EQ(dll.GetLastError(), kPxErrorConnectionLost);
    EXPECT_EQ(GetTickCount64(), start + 270);
    dll.CloseHandle(h);
    dll.SetTimeOut(100);
    EXPECT_EQ(dll.CreateFile("LPT1", 0xC0000000, 0, nullptr, 3, 0, nullptr), kPxInvalidHandle);
    EXPECT_EQ(dll.GetLastError(), kPxErrorTimeout);
    EXPECT_EQ(GetTickCount64(), start + 270 + 350);
    dll.ReleasePort(1);
    player.server.Resume();
}

TEST(playersim_Server, ASecondPlayerLeavesALiveSocketAlone) {
    const fs::path folder = TempFolder("second-server");
    const fs::path socket = folder / "player.sock";
    ServerProcess first(socket, folder / "first");
    ASSERT_TRUE(first.Listening());
    ServerProcess second(socket, folder / "second");
    EXPECT_FALSE(second.Listening());
    EXPECT_NE(second.Output().find("another player is already serving on " + socket.string()),
              std::string::npos)
        << second.Output();
    const int status = second.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(Greeting(socket), rpc::kServed);
    first.Stop();
    fs::remove_all(folder);
}

TEST(playersim_Server, ASocketNobodyAnswersOnIsReplaced) {
    const fs::path folder = TempFolder("stale-server");
    const fs::path socket = folder / "player.sock";
    {
        // Bound and closed without removing the file, as a killed player leaves it.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
        win::UniqueFd stale(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_EQ(::bind(stale.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
                  0);
    }
    ASSERT_EQ(Greeting(socket), std::nullopt);
    ServerProcess server(socket, folder / "store");
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(Greeting(socket), rpc::kServed);
    server.Stop();
    fs::remove_all(folder);
}

TEST(playersim_Server, HelpNamesEveryOption) {
    const std::string command = (ProgramFolder() / "kivo-player").string() + " --help";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string help;
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        help.append(buffer, n);
    }
    EXPECT_EQ(::pclose(pipe), 0);
    for (const char* option : {"--socket", "--store", "--card", "--flash", "--version", "--speed",
                               "--status-delay", "--fault", "--help"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

TEST(playersim_Store, ChangesPersistAndUnreadableStateIsMovedAside) {
    const fs::path folder = TempFolder("store");
    const std::vector<uint8_t> content{1, 2, 3};
    const std::vector<uint8_t> name{'a'};
    {
        Player player(MakeFolderStore(folder));
        EXPECT_EQ(player.AddFile(Memory::kFlash, 1, name, content), 6);
        player.SetCard(true, 0x98, 0x73);
    }
    {
        Player player(MakeFolderStore(folder));
        EXPECT_EQ(player.Content(6), content);
        EXPECT_EQ(player.State().maker, 0x98);
        EXPECT_TRUE(player.StoreProblem().empty());
    }
    std::ofstream(folder / "player.state", std::ios::app) << "garbage line\n";
    Player player(MakeFolderStore(folder));
    EXPECT_NE(player.StoreProblem().find("could not be read"), std::string::npos);
    EXPECT_EQ(player.Find(6), nullptr);
    EXPECT_TRUE(fs::exists(folder / "unreadable-1" / "player.state"));
    EXPECT_TRUE(fs::exists(folder / "unreadable-1" / "file-006.bin"));
    EXPECT_EQ(player.AddFile(Memory::kFlash, 1, name, content), 6);
    EXPECT_TRUE(fs::exists(folder / "unreadable-1" / "file-006.bin")) << "never overwritten";
    fs::remove_all(folder);
}

TEST(playersim_Store, ContentMissingFromTheFolderCountsAsUnreadable) {
    const fs::path folder = TempFolder("store-missing");
    {
        Player player(MakeFolderStore(folder));
        player.AddFile(Memory::kCard, 1, std::vector<uint8_t>{'b'}, std::vector<uint8_t>(10));
    }
    fs::remove(folder / "file-131.bin");
    Player player(MakeFolderStore(folder));
    EXPECT_FALSE(player.StoreProblem().empty());
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kivo::playersim::testing
