#include "link/common/card_format_procedure.h"
#include "link/common/memory_ops.h"
#include "link/common/play_order.h"
#include "link/common/system_files.h"
#include "link/testing/scripted_channel.h"
#include "platform/win/clock.h"

#include <gtest/gtest.h>

#include <functional>

namespace kivo::link {
namespace {

using testing::Bytes;
using testing::ScriptedLink;
using Trace = std::vector<std::string>;

TEST(CommandFrameTest, OpenFailureEndsAtOnceWithoutClose) {
    ScriptedLink l;
    l.channel.Fail("open", "", 3);
    EXPECT_EQ(DeleteDeviceFile(l.link, 9), 3);
    EXPECT_EQ(l.channel.Trace(), (Trace{"open 40000"}));
}

TEST(CommandFrameTest, FailedCommandByteClosesTheChannel) {
    ScriptedLink l;
    l.channel.Fail("write", "to port(command)", 19);
    EXPECT_EQ(InitializeMemory(l.link, 1), 19);
    EXPECT_EQ(l.channel.Trace(), (Trace{"open 60000", "write to port(command) 06", "close"}));
}

TEST(CommandFrameTest, FirstFailingFieldClosesAndStops) {
    ScriptedLink l;
    l.channel.Fail("write", "File Index", 12);
    EXPECT_EQ(DeleteDeviceFile(l.link, 9), 12);
    EXPECT_EQ(l.channel.Trace(),
              (Trace{"open 40000", "write to port(command) 05", "write File Index 09", "close"}));
}

TEST(CommandFrameTest, CloseResultNeverBecomesTheStatus) {
    ScriptedLink l;
    l.channel.SetCloseStatus(6);
    l.channel.Reply({0x00});
    EXPECT_EQ(InitializeMemory(l.link, 0), 0);
    EXPECT_EQ(l.channel.Trace(),
              (Trace{"open 60000", "write to port(command) 06", "write memory type 00",
                     "read memory initialize OK 1", "close"}));
}

TEST(CommandFrameTest, AcknowledgementsAreNotExamined) {
    ScriptedLink l;
    l.channel.Reply({0x18, 0xFF});
    EXPECT_EQ(DeleteDeviceFile(l.link, 131), 0);
    EXPECT_EQ(InitializeMemory(l.link, 1), 0);
    EXPECT_EQ(l.channel.Trace(),
              (Trace{"open 40000", "write to port(command) 05", "write File Index 83",
                     "read delete OK 1", "close", "open 60000", "write to port(command) 06",
                     "write memory type 01", "read memory initialize OK 1", "close"}));
}

TEST(CommandFrameTest, StatusCheckUsesTheShortTimeout) {
    ScriptedLink l;
    l.channel.Reply({0x05});
    EXPECT_EQ(CheckDeviceStatus(l.link), 0);
    EXPECT_EQ(l.channel.Trace(), (Trace{"open 100", "write to port(command) 0A",
                                        "read memory initialize OK 1", "close"}));
    l.channel.ClearEvents();
    l.channel.Fail("read", "memory initialize OK", 12);
    EXPECT_EQ(CheckDeviceStatus(l.link), 12);
    EXPECT_EQ(l.channel.Count("close"), 1u);
}

TEST(CommandFrameTest, DialectWaitsAndReplyTimeout) {
    // The same operations with another driver's waits: nothing else changes.
    const LinkDialect slow{0, 20000, 10400, 10, 1000};
    LinkState state;
    testing::ScriptedChannel channel(state);
    Link link{state, channel, slow};
    ScopedVirtualClock clock;
    channel.Reply({0, 0, 0});
    EXPECT_EQ(InitializeMemory(link, 0), 0);
    EXPECT_EQ(clock->Ticks(), 20000u);
    EXPECT_EQ(DeleteDeviceFile(link, 7), 0);
    EXPECT_EQ(clock->Ticks(), 30400u);
    channel.ClearEvents();
    EXPECT_EQ(CheckDeviceStatus(link), 0);
    EXPECT_EQ(channel.Trace(), (Trace{"open 100", "write to port(command) 0A", "timeout 1000",
                                      "read memory initialize OK 1", "close"}));
}

TEST(PlayOrderTest, FindAppendAndFullTable) {
    LinkState state;
    EXPECT_EQ(FindPlayOrderPosition(state, 7), -1);
    EXPECT_EQ(AppendPlayOrder(state, 7), 0);
    EXPECT_EQ(AppendPlayOrder(state, 9), 1);
    EXPECT_EQ(FindPlayOrderPosition(state, 9), 1);
    EXPECT_EQ(state.PlayOrderCount, 2);

    state.ConfigArea.fill(0);
    for (int i = 0; i < 250; ++i)
        state.ConfigArea[i] = static_cast<uint8_t>(6 + i % 120);
    state.ConfigArea[250] = 0xAB;
    CountPlayOrder(state);
    EXPECT_EQ(state.PlayOrderCount, 250);
    EXPECT_EQ(FindPlayOrderPosition(state, 6), 0);
    EXPECT_EQ(FindPlayOrderPosition(state, 0xAB), -1);
    EXPECT_EQ(AppendPlayOrder(state, 200), -1);
    EXPECT_EQ(state.PlayOrderCount, 250);
    EXPECT_EQ(state.ConfigArea[250], 0xAB);
}

TEST(PlayOrderTest, CountIgnoresGapsAndTheTrailingBytes) {
    LinkState state;
    state.ConfigArea[0] = 6;
    state.ConfigArea[10] = 7;
    state.ConfigArea[249] = 8;
    state.ConfigArea[250] = 9;
    state.ConfigArea[251] = 10;
    CountPlayOrder(state);
    EXPECT_EQ(state.PlayOrderCount, 3);
}

}  // namespace
}  // namespace kivo::link
