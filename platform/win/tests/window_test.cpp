#include "platform/win/window.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

TEST(Window, SendDispatchesSynchronouslyAndUnknownHandlesAnswerZero) {
    std::vector<UINT> seen;
    HWND stale;
    {
        CallbackWindow w([&](UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            seen.push_back(m);
            return static_cast<LRESULT>(wp + lp);
        });
        EXPECT_EQ(SendMessageA(w.handle(), kTransferProgressMessage, 40, 2), 42);
        EXPECT_EQ(seen, std::vector<UINT>{kTransferProgressMessage});
        stale = w.handle();
    }
    EXPECT_FALSE(IsWindow(stale));
    EXPECT_EQ(SendMessageA(stale, kTransferProgressMessage, 40, 2), 0);
    EXPECT_EQ(SendMessageA(nullptr, kTransferProgressMessage, 40, 2), 0);
}

TEST(Window, PumpRunsAtMostTheLimitOfPostedMessages) {
    int ran = 0;
    CallbackWindow w([&](UINT, WPARAM, LPARAM) -> LRESULT { return ++ran; });
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(PostMessageA(w.handle(), WM_USER, 0, 0));
    EXPECT_EQ(PumpMessages(3), 3);
    EXPECT_EQ(ran, 3);
    PumpAllMessages();
    EXPECT_EQ(ran, 5);
    EXPECT_EQ(PumpMessages(10), 0);
}

TEST(Window, InstalledPumpReplacesTheDefault) {
    int asked = -2;
    SetMessagePump([&](int limit) {
        asked = limit;
        return 0;
    });
    EXPECT_EQ(PumpMessages(10), 0);
    EXPECT_EQ(asked, 10);
    SetMessagePump(nullptr);
}

TEST(Window, PumpingAllRunsOnlyWhatWasWaiting) {
    int ran = 0;
    HWND self = nullptr;
    CallbackWindow w([&](UINT, WPARAM, LPARAM) -> LRESULT {
        ++ran;
        PostMessageA(self, WM_USER, 0, 0);  // always posts the next one
        return 0;
    });
    self = w.handle();
    PostMessageA(self, WM_USER, 0, 0);
    PostMessageA(self, WM_USER, 0, 0);
    PumpAllMessages();
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(DispatchPostedMessages(-1), 2);
}

TEST(Window, MessagesPostedToAWindowGoneMeanwhileAreDropped) {
    int ran = 0;
    auto w =
        std::make_unique<CallbackWindow>([&](UINT, WPARAM, LPARAM) -> LRESULT { return ++ran; });
    ASSERT_TRUE(PostMessageA(w->handle(), WM_USER, 0, 0));
    w.reset();
    PumpAllMessages();
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(PostMessageA(nullptr, WM_USER, 0, 0));
}
