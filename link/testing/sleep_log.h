#pragma once

#include "platform/win/clock.h"

#include <cstdint>
#include <vector>

namespace kivo::link::testing {

// A virtual clock that keeps every wait it was asked for, so that a test sees each fixed
// wait and each timeout exactly, not only their sum. It goes on from the time of the clock it
// replaces: the player measures the waits it needs on the PC's clock.
class SleepLog : public VirtualClock {
public:
    SleepLog() : previous_(InstalledClock()) {
        Advance(CurrentClock().Ticks());
        SetClock(this);
    }
    ~SleepLog() override { SetClock(previous_); }
    SleepLog(const SleepLog&) = delete;
    SleepLog& operator=(const SleepLog&) = delete;

    void Sleep(uint32_t ms) override {
        if (ms != 0)
            waits.push_back(ms);
        VirtualClock::Sleep(ms);
    }

    std::vector<uint32_t> waits;

private:
    Clock* previous_;
};

}  // namespace kivo::link::testing
