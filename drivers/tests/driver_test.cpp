// The driver layers themselves: arguments, last errors, call records and injected failures.

#include "drivers/tests/client.h"
#include "platform/win/clock.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kivo::px::testing {
namespace {

constexpr uint32_t kAccess = 0xC0000000;

class px_Driver : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KIVO_PLAYER", "mem", 1);
        dll.TestReset();
        usb.TestReset();
    }
    PxHandle Open(const DriverApi& api) const {
        return api.CreateFile("LPT1", kAccess, 0, nullptr, 3, 0x20000004, nullptr);
    }
    std::vector<std::string> Calls(const DriverApi& api) const {
        std::vector<std::string> calls;
        PxCallRecord r{};
        for (uint32_t i = 0; api.TestGetCall(i, &r) != 0; ++i) {
            std::string text = std::string(r.function) + "(";
            for (uint32_t a = 0; a < r.argCount; ++a) {
                if (a > 0) {
                    text += ',';
                }
                text += std::to_string(r.args[a]);
            }
            calls.push_back(text + ")=" + std::to_string(r.result));
        }
        return calls;
    }

    ScopedVirtualClock clock;
    const DriverApi& dll = Driver(Which::kPxdll);
    const DriverApi& usb = Driver(Which::kPxapi);
};

TEST_F(px_Driver, ChannelNeedsTheClaimedPortAndOneHandle) {
    EXPECT_EQ(Open(dll), kPxInvalidHandle) << "the port was not claimed";
    EXPECT_EQ(dll.GetLastError(), kPxErrorPortBusy);
    ASSERT_EQ(dll.AcquirePort(1), 0);
    EXPECT_EQ(dll.AcquirePort(1), 0) << "a second claim by this process";
    const PxHandle h = Open(dll);
    ASSERT_NE(h, kPxInvalidHandle);
    EXPECT_EQ(Open(dll), kPxInvalidHandle);
    EXPECT_EQ(dll.GetLastError(), kPxErrorPortBusy);
    EXPECT_NE(dll.CloseHandle(h), 0);
    EXPECT_EQ(dll.CloseHandle(h), 0);
    EXPECT_EQ(dll.GetLastError(), kPxErrorInvalidHandle);
    EXPECT_EQ(dll.ReleasePort(1), 0);

    const PxHandle u = Open(usb);
    ASSERT_NE(u, kPxInvalidHandle);
    EXPECT_EQ(Open(usb), kPxInvalidHandle);
    EXPECT_EQ(usb.GetLastError(), kPxErrorPortBusy);
    EXPECT_NE(usb.CloseHandle(u), 0);
}

TEST_F(px_Driver, OnlyLpt1NamesThePlayer) {
    ASSERT_EQ(dll.AcquirePort(1), 0);
    EXPECT_EQ(dll.CreateFile("LPT2", kAccess, 0, nullptr, 3, 0, nullptr), kPxInvalidHandle);
    EXPECT_EQ(dll.GetLastError(), kPxErrorUnknownChannel);
}

TEST_F(px_Driver, NoPlayerConnected) {
    setenv("KIVO_PLAYER", "none", 1);
    dll.TestReset();
    usb.TestReset();
    ASSERT_EQ(dll.AcquirePort(1), 0);
    EXPECT_EQ(Open(dll), kPxInvalidHandle);
    EXPECT_EQ(dll.GetLastError(), kPxErrorNoPlayer);
    EXPECT_EQ(Open(usb), kPxInvalidHandle);
    EXPECT_EQ(usb.GetLastError(), kPxErrorNoPlayer);

    setenv("KIVO_PLAYER", "unix:/nonexistent/kivo.sock", 1);
    usb.TestReset();
    EXPECT_EQ(Open(usb), kPxInvalidHandle);
    EXPECT_EQ(usb.GetLastError(), kPxErrorNoPlayer);
}

TEST_F(px_Driver, FlaggedReadsAreWholePackets) {
    const PxHandle h = Open(usb);
    const uint8_t command = 7;
    uint32_t done = 0;
    ASSERT_NE(usb.WriteFile(h, &command, 1, &done, nullptr), 0);
    uint8_t reply[260];
    EXPECT_EQ(usb.ReadFileFlag(h, reply, 100, &done, nullptr, 1), 0);
    EXPECT_EQ(usb.GetLastError(), kPxErrorInvalidArgument);
    EXPECT_NE(usb.ReadFileFlag(h, reply, 256, &done, nullptr, 1), 0);
    EXPECT_NE(usb.ReadFileFlag(h, reply + 256, 4, &done, nullptr, 0), 0);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(reply[6], 3);
    usb.CloseHandle(h);
}

TEST_F(px_Driver, CallsAreRecordedWithArgumentsAndResults) {
    dll.TestRecordCalls(1);
    ASSERT_EQ(dll.AcquirePort(1), 0);
    const PxHandle h = dll.CreateFileEx("LPT1", kAccess, 0, nullptr, 3, 0x20000004, nullptr);
    dll.SetTimeOut(100);
    const uint8_t command = 10;
    uint32_t done = 0;
    dll.WriteFile(h, &command, 1, &done, nullptr);
    uint8_t answer = 0;
    dll.ReadFile(h, &answer, 1, &done, nullptr);
    dll.CloseHandle(h);
    dll.ReleasePort(1);
    dll.GetLastError();
    const std::string handle = std::to_string(h);
    EXPECT_EQ(Calls(dll), (std::vector<std::string>{
                              "PX_AcquirePort(1)=0",
                              "PX_CreateFileEx(1,3221225472,0,0,3,536870916,0)=" + handle,
                              "PX_SetTimeOut(100)=1",
                              "PX_WriteFile(" + handle + ",1,1,1,0)=1",
                              "PX_ReadFile(" + handle + ",1,1,1,0)=1",
                              "PX_CloseHandle(" + handle + ")=1",
                              "PX_ReleasePort(1)=0",
                              "PX_GetLastError()=0",
                          }));
    PxCallRecord r{};
    ASSERT_NE(dll.TestGetCall(1, &r), 0);
    EXPECT_STREQ(r.name, "LPT1");
    ASSERT_NE(dll.TestGetCall(4, &r), 0);
    EXPECT_EQ(r.done, 1u);
}

TEST_F(px_Driver, InjectedFailuresHitTheGivenCall) {
    PxFailure claim{"PX_AcquirePort", 2, 1, 1, 0};
    dll.TestFailCall(&claim);
    EXPECT_EQ(dll.AcquirePort(1), 0);
    EXPECT_EQ(dll.AcquirePort(1), 1);
    EXPECT_EQ(dll.GetLastError(), 1u);
    EXPECT_EQ(dll.AcquirePort(1), 0) << "only that one call";

    // A short write: success, fewer bytes; the player sees only those.
    PxFailure shortWrite{"PX_WriteFile", 1, 1, 0, 0};
    dll.TestFailCall(&shortWrite);
    const PxHandle h = Open(dll);
    const uint8_t command = 4;
    uint32_t done = 9;
    EXPECT_NE(dll.WriteFile(h, &command, 1, &done, nullptr), 0);
    EXPECT_EQ(done, 0u);
    PxFailure lost{"PX_ReadFile", 1, 0, kPxErrorConnectionLost, 0};
    dll.TestFailCall(&lost);
    uint8_t byte = 0;
    EXPECT_EQ(dll.ReadFile(h, &byte, 1, &done, nullptr), 0);
    EXPECT_EQ(dll.GetLastError(), kPxErrorConnectionLost);
    dll.CloseHandle(h);
    dll.ReleasePort(1);
    EXPECT_EQ(dll.Control("transcript"), "") << "nothing reached the player";
}

TEST_F(px_Driver, BothDriversInOneProcessKeepTheirOwnState) {
    dll.TestRecordCalls(1);
    uint8_t index = 0;
    Client parallel(dll);
    ASSERT_EQ(parallel.Upload(0, 1, "only-here.mp3", std::vector<uint8_t>(5, 1), index), 0u);
    EXPECT_EQ(index, 6);
    EXPECT_EQ(usb.TestCallCount(), 0u);
    EXPECT_EQ(usb.Control("files"), "") << "a mem player per driver";
    EXPECT_EQ(dll.Control("files"), "6 flash 1 5 only-here.mp3\n");
}

TEST_F(px_Driver, StoreFolderIsOnePlayerBehindOnePort) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kivo-shared-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    setenv("KIVO_PLAYER", ("sim:" + folder.string()).c_str(), 1);
    dll.TestReset();
    usb.TestReset();
    dll.Control("speed 0");
    Client parallel(dll);
    uint8_t index = 0;
    ASSERT_EQ(parallel.Upload(1, 1, "shared.mp3", std::vector<uint8_t>(20, 2), index), 0u);
    Client bus(usb);
    std::vector<ListedFile> files;
    ASSERT_EQ(bus.List(files), 0u);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "shared.mp3");

    // The claimed port keeps the other driver out until it is released.
    ASSERT_EQ(dll.AcquirePort(1), 0);
    EXPECT_EQ(Open(usb), kPxInvalidHandle);
    EXPECT_EQ(usb.GetLastError(), kPxErrorPortBusy);
    dll.ReleasePort(1);
    const PxHandle h = Open(usb);
    EXPECT_NE(h, kPxInvalidHandle);
    usb.CloseHandle(h);
    dll.TestReset();
    usb.TestReset();
    std::filesystem::remove_all(folder);
}

TEST_F(px_Driver, PutAndGetFilesDirectly) {
    const uint8_t data[] = {1, 2, 3};
    EXPECT_EQ(usb.TestPutFile(1, 3, "memo.sc4", data, 3), 131u);
    EXPECT_EQ(usb.TestPutFile(2, 3, "bad memory", data, 3), 0u);
    uint8_t back[8] = {};
    uint32_t size = 0;
    ASSERT_NE(usb.TestGetFile(131, back, sizeof back, &size), 0);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(back[2], 3);
    EXPECT_EQ(usb.TestGetFile(132, back, sizeof back, &size), 0);
    char reply[64];
    EXPECT_EQ(usb.TestControl("card 12 34", reply, sizeof reply), kPxErrorInvalidArgument);
    EXPECT_EQ(usb.TestControl("bogus", reply, sizeof reply), kPxErrorInvalidArgument);
}

TEST_F(px_Driver, WireSpeedAdvancesTheClock) {
    dll.Control("speed 1000");
    Client parallel(dll);
    uint8_t index = 0;
    const uint64_t before = (*clock).Ticks();
    ASSERT_EQ(parallel.Upload(0, 1, "slow", std::vector<uint8_t>(10, 1), index), 0u);
    // Command, header, one block, cancel code and index: 16894 bytes at 1000 bytes/s, and the
    // pause the player needs after the memory type.
    EXPECT_EQ((*clock).Ticks() - before, 16894u + 500u);
}

}  // namespace
}  // namespace kivo::px::testing
