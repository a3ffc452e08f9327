#include "platform/win/clock.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <ctime>
#include <thread>

namespace {

class RealClock : public Clock {
public:
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    uint64_t Ticks() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    double Now() override {
        using namespace std::chrono;
        auto now = system_clock::now();
        std::time_t t = system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&t, &local);
        double offset = static_cast<double>(local.tm_gmtoff);
        double ms =
            static_cast<double>(duration_cast<milliseconds>(now.time_since_epoch()).count());
        // 25569 days lie between 1899-12-30 and 1970-01-01.
        return 25569.0 + (ms / 1000.0 + offset) / 86400.0;
    }
};

RealClock realClock;
Clock* current = nullptr;

}  // namespace

int Clock::Poll(int fd, short events, uint32_t ms) {
    pollfd ready{fd, events, 0};
    return ::poll(&ready, 1, static_cast<int>(std::min<uint32_t>(ms, INT_MAX)));
}

int VirtualClock::Poll(int fd, short events, uint32_t ms) {
    const int ready = Clock::Poll(fd, events, peerStalled_ ? 0 : ms);
    if (ready == 0) {
        Advance(ms);
    }
    return ready;
}

void SetClock(Clock* clock) {
    current = clock;
}
Clock& CurrentClock() {
    return current ? *current : realClock;
}
Clock* InstalledClock() {
    return current;
}

void Sleep(uint32_t ms) {
    CurrentClock().Sleep(ms);
}
uint32_t GetTickCount() {
    return static_cast<uint32_t>(CurrentClock().Ticks());
}
uint64_t GetTickCount64() {
    return CurrentClock().Ticks();
}
double Now() {
    return CurrentClock().Now();
}
