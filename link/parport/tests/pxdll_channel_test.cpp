#include "drivers/pxdll.h"
#include "link/common/memory_ops.h"
#include "link/common/system_files.h"
#include "link/parport/memory_info.h"
#include "link/parport/parport_link.h"
#include "link/parport/version_config.h"
#include "link/testing/call_record.h"
#include "platform/win/clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace kivo::link::parport {
namespace {

// The driver's record of every call, against the embedded player.
class PxdllChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        PX_TestReset();
        PX_TestRecordCalls(1);
    }
    void TearDown() override {
        PX_TestRecordCalls(0);
        testing::CheckAndResetPlayer();
    }

    static std::vector<PxCallRecord> Calls() { return testing::RecordedCalls(); }
    static std::vector<std::string> CallNames() {
        std::vector<std::string> names;
        for (const auto& c : Calls())
            names.push_back(c.function);
        return names;
    }
    static void FailCall(const char* function, uint32_t occurrence, int64_t result,
                         uint32_t lastError, uint32_t done = 0) {
        testing::FailCall(function, occurrence, result, lastError, done);
    }

    ScopedVirtualClock clock_;
    ParportLink p_;
};

using Names = std::vector<std::string>;

TEST_F(PxdllChannelTest, WholeExchangeOfOneCommand) {
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    EXPECT_EQ(CallNames(),
              (Names{"PX_AcquirePort", "PX_CreateFile", "PX_SetTimeOut", "PX_WriteFile",
                     "PX_ReadFile", "PX_CloseHandle", "PX_ReleasePort"}));
    const auto calls = Calls();
    EXPECT_EQ(calls[0].args[0], 1);
    EXPECT_STREQ(calls[1].name, "LPT1");
    EXPECT_EQ(calls[2].args[0], 100);
    EXPECT_EQ(calls[3].done, 1u);
    EXPECT_EQ(calls[6].args[0], 1);
}

TEST_F(PxdllChannelTest, FailedClaimAsksOnlyForTheError) {
    FailCall("PX_AcquirePort", 1, 1, kPxErrorPortBusy);
    EXPECT_EQ(ReadMemoryInfo(p_.link), kPxErrorPortBusy);
    EXPECT_EQ(CallNames(), (Names{"PX_AcquirePort", "PX_GetLastError"}));
}

TEST_F(PxdllChannelTest, EcpOpenTakesTheSameArguments) {
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    p_.state.EcpEmulation = 1;
    PX_TestClearCalls();
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    const auto ecp = Calls();
    p_.state.EcpEmulation = 0;
    PX_TestClearCalls();
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    const auto plain = Calls();
    ASSERT_EQ(ecp.size(), plain.size());
    EXPECT_STREQ(ecp[1].function, "PX_CreateFileEx");
    EXPECT_STREQ(plain[1].function, "PX_CreateFile");
    EXPECT_STREQ(ecp[1].name, plain[1].name);
    ASSERT_EQ(ecp[1].argCount, plain[1].argCount);
    for (uint32_t i = 0; i < ecp[1].argCount; ++i)
        EXPECT_EQ(ecp[1].args[i], plain[1].args[i]) << i;
    const std::vector<int64_t> args(plain[1].args, plain[1].args + plain[1].argCount);
    EXPECT_NE(std::find(args.begin(), args.end(), int64_t{0xC0000000}), args.end());
    EXPECT_NE(std::find(args.begin(), args.end(), int64_t{0x20000004}), args.end());
}

TEST_F(PxdllChannelTest, ShortTransfersRecoverThePort) {
    struct Case {
        const char* function;
        LinkStatus status;
    };
    for (const Case c : {Case{"PX_WriteFile", 19}, Case{"PX_ReadFile", 20}}) {
        testing::CheckAndResetPlayer();
        PX_TestRecordCalls(1);
        // The command byte goes through; the field after it is short.
        FailCall(c.function, std::string(c.function) == "PX_WriteFile" ? 2 : 1, 1, 0, 0);
        EXPECT_EQ(DeleteDeviceFile(p_.link, 9), c.status) << c.function;
        const Names names = CallNames();
        ASSERT_GE(names.size(), 4u);
        EXPECT_EQ(Names(names.end() - 4, names.end()),
                  (Names{"PX_CloseHandle", "PX_ReleasePort", "PX_AcquirePort", "PX_ReleasePort"}))
            << c.function;
        EXPECT_EQ(std::string(names[names.size() - 5]), c.function);
    }
}

TEST_F(PxdllChannelTest, FailedWriteGivesTheDriverError) {
    FailCall("PX_WriteFile", 2, 0, kPxErrorTimeout);
    EXPECT_EQ(InitializeMemory(p_.link, 0), kPxErrorTimeout);
    const Names names = CallNames();
    EXPECT_EQ(Names(names.end() - 5, names.end()),
              (Names{"PX_CloseHandle", "PX_ReleasePort", "PX_AcquirePort", "PX_GetLastError",
                     "PX_ReleasePort"}));
}

TEST_F(PxdllChannelTest, FailedOpenKeepsThePortClaimed) {
    FailCall("PX_CreateFile", 1, kPxInvalidHandle, kPxErrorNoPlayer);
    EXPECT_EQ(CheckDeviceStatus(p_.link), kPxErrorNoPlayer);
    EXPECT_EQ(CallNames(), (Names{"PX_AcquirePort", "PX_CreateFile", "PX_GetLastError"}));
    EXPECT_EQ(p_.state.ChannelHandle, -1);
    PX_TestClearCalls();
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
    EXPECT_EQ(CallNames().front(), "PX_AcquirePort");
}

TEST_F(PxdllChannelTest, FailingCloseDoesNotFailTheOperation) {
    FailCall("PX_CloseHandle", 1, 0, kPxErrorInvalidHandle);
    FailCall("PX_ReleasePort", 1, 1, kPxErrorPortBusy);
    EXPECT_EQ(CheckDeviceStatus(p_.link), 0);
}

TEST_F(PxdllChannelTest, TimeoutsByCommand) {
    struct Case {
        const char* what;
        std::function<LinkStatus(Link&)> run;
        int64_t timeout;
    };
    const Case cases[] = {
        {"status", [](Link& l) { return CheckDeviceStatus(l); }, 100},
        {"memory", [](Link& l) { return ReadMemoryInfo(l); }, 3000},
        {"version", [](Link& l) { return ReadVersionAndConfig(l); }, 3000},
        {"delete", [](Link& l) { return DeleteDeviceFile(l, 200); }, 40000},
        {"initialize", [](Link& l) { return InitializeMemory(l, 1); }, 60000},
    };
    for (const auto& c : cases) {
        PX_TestClearCalls();
        EXPECT_EQ(c.run(p_.link), 0) << c.what;
        const auto calls = Calls();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_STREQ(calls[2].function, "PX_SetTimeOut");
        EXPECT_EQ(calls[2].args[0], c.timeout) << c.what;
    }
}

TEST_F(PxdllChannelTest, SilentPlayerFailsTheStatusCheck) {
    char reply[128];
    ASSERT_EQ(PX_TestControl("fault no-answer", reply, sizeof reply), 0u);
    EXPECT_EQ(CheckDeviceStatus(p_.link), kPxErrorTimeout);
    EXPECT_EQ(CallNames().back(), "PX_ReleasePort");
}

}  // namespace
}  // namespace kivo::link::parport
