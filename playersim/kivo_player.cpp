// kivo-player: the simulated player, served on a Unix socket for KIVO_PLAYER=unix:PATH.

#include "playersim/control.h"
#include "playersim/server.h"
#include "playersim/store_lock.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::atomic<bool> stopping{false};

void OnSignal(int) {
    stopping = true;
}

void Announce(const std::string& path) {
    std::printf("kivo-player: listening on %s\n", path.c_str());
    std::fflush(stdout);
}

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: kivo-player --socket PATH [--store DIR] [options]\n"
                 "Serves a simulated kivo player to one client at a time on the Unix socket\n"
                 "PATH; the suite reaches it with KIVO_PLAYER=unix:PATH.\n"
                 "  --socket PATH          the socket to create (a stale one is replaced; one\n"
                 "                         that another player answers on is refused)\n"
                 "  --store DIR            keep the player's files and settings in DIR, every\n"
                 "                         change written atomically (default: in memory only);\n"
                 "                         a state that cannot be read is moved aside\n"
                 "  --help                 this text\n"
                 "Options given override what the store holds and are kept in it.\n%s",
                 kivo::playersim::ControlHelp());
}

// An option and how many words follow it.
int Arity(const std::string& option) {
    if (option == "version") {
        return 4;
    }
    if (option == "card") {
        return -1;  // "none" or two codes
    }
    if (option == "list-index") {
        return 2;
    }
    if (option == "flash" || option == "speed" || option == "status-delay" || option == "fault" ||
        option == "valid-code") {
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string socketPath;
    std::string storeDir;
    std::vector<std::string> controls;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        }
        if ((arg == "--socket" || arg == "--store") && i + 1 < argc) {
            (arg == "--socket" ? socketPath : storeDir) = argv[++i];
            continue;
        }
        const std::string option = arg.starts_with("--") ? arg.substr(2) : std::string();
        int words = Arity(option);
        if (words == -1) {
            words = i + 1 < argc && std::strcmp(argv[i + 1], "none") == 0 ? 1 : 2;
        }
        if (words == 0 || i + words >= argc) {
            std::fprintf(stderr, "kivo-player: unknown or incomplete option %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
        std::string line = option;
        for (int w = 0; w < words; ++w) {
            line += ' ';
            line += argv[++i];
        }
        controls.push_back(line);
    }
    if (socketPath.empty()) {
        std::fprintf(stderr, "kivo-player: --socket PATH is required\n");
        Usage(stderr);
        return 2;
    }
    auto device = std::make_unique<kivo::playersim::Device>(
        storeDir.empty() ? kivo::playersim::MakeMemoryStore()
                         : kivo::playersim::MakeFolderStore(storeDir));
    if (!device->player.StoreProblem().empty()) {
        std::fprintf(stderr, "kivo-player: %s\n", device->player.StoreProblem().c_str());
    }
    // Options change the store: only while no other player uses it, and on its latest state.
    kivo::playersim::StoreLock lock(device->player.LockFolder());
    if (!controls.empty() && !lock.Take()) {
        std::fprintf(stderr, "kivo-player: another player holds the store %s; try again later\n",
                     storeDir.c_str());
        return 1;
    }
    device->player.Refresh();
    for (const std::string& line : controls) {
        const kivo::playersim::ControlReply reply = kivo::playersim::Control(*device, line);
        if (!reply.ok) {
            std::fprintf(stderr, "kivo-player: --%s: %s\n", line.c_str(), reply.text.c_str());
            return 2;
        }
    }
    lock.Give();
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    if (!kivo::playersim::Serve(*device, socketPath, stopping, error, Announce)) {
        std::fprintf(stderr, "kivo-player: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
