#include "explorer/tests/mainfrm/test_player.h"

#include "explorer/LPTCtrl.h"
#include "platform/win/process.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

template <typename F>
void Bind(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    EXPECT_NE(function, nullptr) << name;
}

}  // namespace

TestPlayer::TestPlayer(int16_t port) {
    // The driver the selector's library stands on, loaded with it: its hooks are looked up in
    // that driver itself, since both drivers define them under the same names.
    const char* link =
        port == 1 ? kivo::explorer::lptctrl::kBuslinkFile : kivo::explorer::lptctrl::kParlinkFile;
    const char* driver = port == 1 ? "libpxapi.so" : "libpxdll.so";
    if (::dlopen((ProgramFolder() / link).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD) == nullptr)
        ADD_FAILURE() << link << " is not loaded";
    library_ = ::dlopen((ProgramFolder() / driver).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (library_ == nullptr) {
        ADD_FAILURE() << driver << " is not loaded";
        return;
    }
    Bind(library_, "PX_TestReset", reset_);
    Bind(library_, "PX_TestRecordCalls", record_);
    Bind(library_, "PX_TestCallCount", callCount_);
    Bind(library_, "PX_TestClearCalls", clearCalls_);
    Bind(library_, "PX_TestControl", control_);
    Bind(library_, "PX_TestPutFile", put_);
    Bind(library_, "PX_TestGetFile", get_);
}

void TestPlayer::Reset() {
    reset_();
}

uint8_t TestPlayer::Put(uint8_t memory, const std::string& name, const std::string& bytes,
                        uint8_t fileType) {
    uint32_t index =
        put_(memory, fileType, name.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_NE(index, 0u) << name;
    return static_cast<uint8_t>(index);
}

std::optional<std::string> TestPlayer::Get(uint8_t index) {
    uint32_t size = 0;
    if (get_(index, nullptr, 0, &size) != 1)
        return std::nullopt;
    std::string bytes(size, '\0');
    get_(index, bytes.data(), size, &size);
    return bytes;
}

std::string TestPlayer::Control(const std::string& line) {
    std::string reply(64 * 1024, '\0');
    if (control_(line.c_str(), reply.data(), static_cast<uint32_t>(reply.size())) != 0) {
        ADD_FAILURE() << "the player refused: " << line;
        return {};
    }
    reply.resize(reply.find('\0'));
    return reply;
}

void TestPlayer::Record(bool on) {
    clearCalls_();
    record_(on ? 1 : 0);
}

size_t TestPlayer::CallCount() {
    return callCount_();
}
