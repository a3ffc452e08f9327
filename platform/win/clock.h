#pragma once

#include "platform/win/api.h"

#include <cstdint>

// Fixed waits and time stamps go through one clock, which tests replace by a virtual one.
class KIVO_WIN_API Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(uint32_t ms) = 0;
    // Monotonic milliseconds.
    virtual uint64_t Ticks() = 0;
    // Local date and time as days since 1899-12-30, fraction the time of day.
    virtual double Now() = 0;
    // Waits until descriptor `fd` is ready for `events` (poll flags) or `ms` pass on this clock:
    // 1 ready, 0 the time passed, -1 failed with errno set (EINTR: wait again).
    virtual int Poll(int fd, short events, uint32_t ms);
};

// Time stands still until slept through or advanced; Sleep returns at once.
class KIVO_WIN_API VirtualClock : public Clock {
public:
    explicit VirtualClock(double startDays = 46000.0) : startDays_(startDays) {}
    void Sleep(uint32_t ms) override { ticks_ += ms; }
    uint64_t Ticks() override { return ticks_; }
    double Now() override { return startDays_ + static_cast<double>(ticks_) / 86400000.0; }
    void Advance(uint64_t ms) { ticks_ += ms; }
    // The peer at the other end of a descriptor runs in real time: a wait takes the real time
    // until its answer comes, and one that gets none passes its whole time on this clock. Once
    // the test has stalled the peer, so that nothing more will come, a wait with nothing ready
    // passes its whole time at once.
    int Poll(int fd, short events, uint32_t ms) override;
    void SetPeerStalled(bool stalled) { peerStalled_ = stalled; }

private:
    double startDays_;
    uint64_t ticks_ = 0;
    bool peerStalled_ = false;
};

// Installs a clock (nullptr: the real one) for the whole process; the caller keeps it alive.
KIVO_WIN_API void SetClock(Clock* clock);
KIVO_WIN_API Clock& CurrentClock();
// The clock installed with SetClock, nullptr while the real one runs.
KIVO_WIN_API Clock* InstalledClock();

// Installs a virtual clock for the lifetime of the object.
class KIVO_WIN_API ScopedVirtualClock {
public:
    ScopedVirtualClock() : previous_(InstalledClock()) { SetClock(&clock_); }
    ~ScopedVirtualClock() { SetClock(previous_); }
    ScopedVirtualClock(const ScopedVirtualClock&) = delete;
    ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;
    VirtualClock& operator*() { return clock_; }
    VirtualClock* operator->() { return &clock_; }

private:
    Clock* previous_;
    VirtualClock clock_;
};

KIVO_WIN_API void Sleep(uint32_t ms);
KIVO_WIN_API uint32_t GetTickCount();
KIVO_WIN_API uint64_t GetTickCount64();
KIVO_WIN_API double Now();
