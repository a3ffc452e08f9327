// One of several processes working on one player at once, for the store sharing test: uploads
// files through the driver KIVO_PLAYER names and deletes every second one, waiting its turn
// while another process holds the player. Prints what the player answered:
//   uploaded INDEX NAME    (the upload answered 0 with this index)
//   deleted INDEX NAME     (the delete was acknowledged with 0)
// Usage: kivo-store-worker pxdll|pxapi PREFIX COUNT

#include "drivers/tests/client.h"
#include "platform/win/clock.h"
#include "playersim/tests/worker_content.h"

#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace kivo::px::testing;

// Runs `step` until the player is not held by another process; its last status.
Status Turn(const std::function<Status()>& step) {
    for (int attempt = 0; attempt < 1000000; ++attempt) {
        const Status status = step();
        if (status != kPxErrorPortBusy) {
            return status;
        }
        sched_yield();
    }
    return kPxErrorPortBusy;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: kivo-store-worker pxdll|pxapi PREFIX COUNT\n");
        return 2;
    }
    // The test waits for this process; a hang ends it instead.
    ::alarm(120);
    const std::string which = argv[1];
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    ScopedVirtualClock clock;
    const DriverApi& api = Driver(which == "pxapi" ? Which::kPxapi : Which::kPxdll);
    Client client(api);
    for (int i = 0; i < count; ++i) {
        const std::string name = prefix + std::to_string(i);
        const std::vector<uint8_t> data = kivo::playersim::testing::WorkerContent(name);
        uint8_t index = 0;
        const Status uploaded =
            Turn([&] { return client.Upload(static_cast<uint8_t>(i % 2), 1, name, data, index); });
        if (uploaded != 0 || index == 0) {
            std::printf("failed upload %s status %u index %u\n", name.c_str(), uploaded, index);
            continue;
        }
        std::printf("uploaded %u %s\n", index, name.c_str());
        if (i % 2 == 1) {
            uint8_t ack = 0xFF;
            if (Turn([&] { return client.Simple(5, index, ack); }) == 0 && ack == 0) {
                std::printf("deleted %u %s\n", index, name.c_str());
            }
        }
        std::fflush(stdout);
    }
    return 0;
}
