#include "platform/win/clock.h"
#include "platform/win/unique_fd.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

TEST(Clock, VirtualClockAdvancesOnlyWhenSleptThroughOrAdvanced) {
    ScopedVirtualClock clock;
    EXPECT_EQ(GetTickCount64(), 0u);
    double start = Now();
    Sleep(20000);
    EXPECT_EQ(GetTickCount64(), 20000u);
    clock->Advance(10400);
    EXPECT_EQ(GetTickCount(), 30400u);
    EXPECT_NEAR(Now() - start, 30400.0 / 86400000.0, 1e-9);
    EXPECT_EQ(GetTickCount64(), 30400u);
}

TEST(Clock, TickCountWrapsLikeA32BitCounter) {
    ScopedVirtualClock clock;
    clock->Advance(0x100000005ull);
    EXPECT_EQ(GetTickCount(), 5u);
    EXPECT_EQ(GetTickCount64(), 0x100000005ull);
}

TEST(Clock, NestedVirtualClocksPutTheOuterOneBack) {
    ScopedVirtualClock outer;
    Sleep(5);
    {
        ScopedVirtualClock inner;
        EXPECT_EQ(GetTickCount64(), 0u);
        Sleep(7);
    }
    EXPECT_EQ(&CurrentClock(), &*outer);
    EXPECT_EQ(GetTickCount64(), 5u);
}

// A wait for a descriptor on the virtual clock: what is there already is taken without time
// passing, also from a stalled peer; with nothing there from a stalled peer, the whole wait
// passes on the clock at once.
TEST(Clock, VirtualWaitForADescriptor) {
    struct Case {
        bool stalled;
        bool ready;
        int result;
        uint64_t passedMs;
    };
    for (const Case c :
         {Case{false, true, 1, 0}, Case{true, true, 1, 0}, Case{true, false, 0, 60000}}) {
        SCOPED_TRACE(testing::Message()
                     << (c.stalled ? "stalled" : "live") << (c.ready ? ", ready" : ", empty"));
        ScopedVirtualClock clock;
        clock->SetPeerStalled(c.stalled);
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const kivo::win::UniqueFd in(ends[0]);
        const kivo::win::UniqueFd out(ends[1]);
        if (c.ready) {
            ASSERT_EQ(::write(out.get(), "x", 1), 1);
        }
        EXPECT_EQ(CurrentClock().Poll(in.get(), POLLIN, 60000), c.result);
        EXPECT_EQ(GetTickCount64(), c.passedMs);
    }
}

TEST(Clock, RealClockGivesTodayAsDaysSince1899) {
    ASSERT_EQ(InstalledClock(), nullptr);
    // 2020-01-01 is day 43831; the real clock is well past it and before 2100 (day 73051).
    EXPECT_GT(Now(), 43831.0);
    EXPECT_LT(Now(), 73051.0);
    uint64_t a = GetTickCount64();
    EXPECT_GE(GetTickCount64(), a);
}
