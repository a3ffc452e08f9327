#include "platform/win/clock.h"

#include <gtest/gtest.h>

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

TEST(Clock, RealClockGivesTodayAsDaysSince1899) {
    ASSERT_EQ(InstalledClock(), nullptr);
    // 2020-01-01 is day 43831; the real clock is well past it and before 2100 (day 73051).
    EXPECT_GT(Now(), 43831.0);
    EXPECT_LT(Now(), 73051.0);
    uint64_t a = GetTickCount64();
    EXPECT_GE(GetTickCount64(), a);
}
