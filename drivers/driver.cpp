#include "drivers/driver.h"

#include "platform/win/clock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kivo::px {
namespace {

using playersim::ControlReply;
using playersim::Endpoint;
using playersim::IoCall;
using playersim::IoResult;

int64_t Given(const void* pointer) {
    return pointer != nullptr ? 1 : 0;
}

// The player's reasons as this driver's last-error codes.
uint32_t LastErrorOf(playersim::Error error) {
    switch (error) {
        case playersim::Error::kNone:
            return 0;
        case playersim::Error::kBusy:
            return kPxErrorPortBusy;
        case playersim::Error::kNoPlayer:
            return kPxErrorNoPlayer;
        case playersim::Error::kTimeout:
            return kPxErrorTimeout;
        case playersim::Error::kConnectionLost:
            break;
    }
    return kPxErrorConnectionLost;
}

}  // namespace

Driver::Driver(Dialect dialect) : dialect_(dialect) {}

Driver::~Driver() = default;

Endpoint& Driver::Player() {
    if (!endpoint_) {
        endpoint_ = playersim::MakeEndpoint(std::getenv("KIVO_PLAYER"));
        portLock_ = std::make_unique<playersim::StoreLock>(endpoint_->LockFolder());
    }
    return *endpoint_;
}

std::optional<PxFailure> Driver::Injected(const char* function) {
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
        if (std::strncmp(it->failure.function, function, sizeof it->failure.function) != 0) {
            continue;
        }
        if (--it->left == 0) {
            const PxFailure failure = it->failure;
            failures_.erase(it);
            if (failure.lastError != 0) {
                lastError_ = failure.lastError;
            }
            return failure;
        }
    }
    return std::nullopt;
}

int64_t Driver::Fail(uint32_t error, int64_t result) {
    lastError_ = error;
    return result;
}

int64_t Driver::Fail(playersim::Error error, int64_t result) {
    return Fail(LastErrorOf(error), result);
}

void Driver::Record(const char* function, const char* name, std::vector<int64_t> args,
                    int64_t result, uint32_t done) {
    if (!recording_) {
        return;
    }
    PxCallRecord record{};
    std::strncpy(record.function, function, sizeof record.function - 1);
    if (name != nullptr) {
        std::strncpy(record.name, name, sizeof record.name - 1);
    }
    record.argCount = static_cast<uint32_t>(std::min<size_t>(args.size(), 7));
    std::copy_n(args.begin(), record.argCount, record.args);
    record.result = result;
    record.done = done;
    record.lastError = lastError_;
    calls_.push_back(record);
}

int16_t Driver::AcquirePort(int16_t port) {
    int16_t result = 0;
    if (const auto injected = Injected("PX_AcquirePort")) {
        result = static_cast<int16_t>(injected->result);
    } else if (port != 1) {
        result = static_cast<int16_t>(Fail(kPxErrorInvalidArgument, 1));
    } else {
        Player();
        if (!portLock_->Take()) {
            result = static_cast<int16_t>(Fail(kPxErrorPortBusy, 1));
        } else {
            claimed_ = true;
        }
    }
    Record("PX_AcquirePort", nullptr, {port}, result, 0);
    return result;
}

int16_t Driver::ReleasePort(int16_t port) {
    int16_t result = 0;
    if (const auto injected = Injected("PX_ReleasePort")) {
        result = static_cast<int16_t>(injected->result);
    } else if (port != 1) {
        result = static_cast<int16_t>(Fail(kPxErrorInvalidArgument, 1));
    } else {
        if (claimed_) {
            portLock_->Give();
        }
        claimed_ = false;
    }
    Record("PX_ReleasePort", nullptr, {port}, result, 0);
    return result;
}

PxHandle Driver::CreateFile(const char* function, const char* name, uint32_t access, uint32_t share,
                            const void* security, uint32_t creation, uint32_t flags,
                            const void* templateFile) {
    PxHandle result = kPxInvalidHandle;
    const bool parallel = dialect_ == Dialect::kParallel;
    Endpoint& player = Player();
    if (const auto injected = Injected(function)) {
        result = static_cast<PxHandle>(injected->result);
    } else if (name == nullptr || std::strcmp(name, "LPT1") != 0) {
        Fail(kPxErrorUnknownChannel, 0);
    } else if (open_ != kPxInvalidHandle || (parallel && !claimed_)) {
        // The channel is another handle's, or the port was not claimed first.
        Fail(kPxErrorPortBusy, 0);
    } else if (!parallel && !portLock_->Take()) {
        Fail(kPxErrorPortBusy, 0);
    } else if (const playersim::Error error = player.Open(dialect_, timeoutMs_);
               error != playersim::Error::kNone) {
        if (!parallel) {
            portLock_->Give();
        }
        Fail(error, 0);
    } else {
        open_ = result = nextHandle_++;
        clean_ = true;
    }
    Record(function, name,
           {Given(name), access, share, Given(security), creation, flags, Given(templateFile)},
           result, 0);
    return result;
}

int32_t Driver::SetTimeOut(uint32_t ms) {
    int32_t result = 1;
    if (const auto injected = Injected("PX_SetTimeOut")) {
        result = static_cast<int32_t>(injected->result);
    } else {
        timeoutMs_ = ms;
    }
    Record("PX_SetTimeOut", nullptr, {ms}, result, 0);
    return result;
}

int32_t Driver::Transfer(const char* function, PxHandle handle, void* buffer, uint32_t length,
                         uint32_t* done, bool write, std::vector<int64_t> args,
                         std::optional<uint32_t> more) {
    uint32_t moved = 0;
    int32_t result = 0;
    uint32_t limit = length;
    const std::optional<PxFailure> injected = Injected(function);
    if (injected) {
        limit = injected->result == 0 ? 0 : std::min(injected->done, length);
    }
    if (handle != open_ || open_ == kPxInvalidHandle) {
        Fail(kPxErrorInvalidHandle, 0);
    } else if (buffer == nullptr && length != 0) {
        Fail(kPxErrorInvalidArgument, 0);
    } else if (limit > 0 || !injected) {
        auto* bytes = static_cast<uint8_t*>(buffer);
        const IoCall call{timeoutMs_, GetTickCount64(), more};
        const IoResult io =
            write ? endpoint_->Write({bytes, limit}, call) : endpoint_->Read({bytes, limit}, call);
        Sleep(io.waitedMs);
        moved = io.done;
        result = io.ok ? 1 : 0;
        if (!io.ok) {
            Fail(io.error, 0);
        }
    } else {
        result = 1;
    }
    if (injected) {
        result = static_cast<int32_t>(injected->result);
        if (injected->lastError != 0) {
            lastError_ = injected->lastError;
        }
    }
    if (done != nullptr) {
        *done = moved;
    }
    if (result == 0 || moved != length) {
        clean_ = false;
    }
    Record(function, nullptr, std::move(args), result, moved);
    return result;
}

int32_t Driver::WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                          const void* overlapped) {
    return Transfer("PX_WriteFile", handle, const_cast<void*>(buffer), length, done, true,
                    {handle, Given(buffer), length, Given(done), Given(overlapped)});
}

int32_t Driver::ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                         const void* overlapped, std::optional<uint32_t> more) {
    std::vector<int64_t> args{handle, Given(buffer), length, Given(done), Given(overlapped)};
    if (more) {
        args.push_back(*more);
        if (*more != 0 && length % 64 != 0) {
            Fail(kPxErrorInvalidArgument, 0);
            clean_ = false;
            if (done != nullptr) {
                *done = 0;
            }
            Record("PX_ReadFile", nullptr, std::move(args), 0, 0);
            return 0;
        }
    }
    return Transfer("PX_ReadFile", handle, buffer, length, done, false, std::move(args), more);
}

int32_t Driver::ReadDataBytes(PxHandle handle, uint32_t count, void* buffer) {
    return Transfer("PX_ReadDataBytes", handle, buffer, count, nullptr, false,
                    {handle, count, Given(buffer)});
}

int32_t Driver::CloseHandle(PxHandle handle) {
    int32_t result = 0;
    if (const auto injected = Injected("PX_CloseHandle")) {
        result = static_cast<int32_t>(injected->result);
    } else if (handle == kPxInvalidHandle || handle != open_) {
        Fail(kPxErrorInvalidHandle, 0);
    } else {
        endpoint_->Close(clean_);
        open_ = kPxInvalidHandle;
        if (dialect_ == Dialect::kUsb) {
            portLock_->Give();
        }
        result = 1;
    }
    Record("PX_CloseHandle", nullptr, {handle}, result, 0);
    return result;
}

uint32_t Driver::GetLastError() {
    Record("PX_GetLastError", nullptr, {}, lastError_, 0);
    return lastError_;
}

void Driver::TestReset() {
    if (open_ != kPxInvalidHandle) {
        endpoint_->Close(false);
    }
    open_ = kPxInvalidHandle;
    claimed_ = false;
    portLock_.reset();
    endpoint_.reset();
    timeoutMs_ = 1000;
    lastError_ = 0;
    calls_.clear();
    failures_.clear();
    Player();
}

bool Driver::TestGetCall(uint32_t index, PxCallRecord* record) const {
    if (index >= calls_.size() || record == nullptr) {
        return false;
    }
    *record = calls_[index];
    return true;
}

void Driver::TestFailCall(const PxFailure& failure) {
    failures_.push_back(Pending{failure, std::max<uint32_t>(failure.occurrence, 1)});
}

uint32_t Driver::TestControl(const char* line, char* reply, uint32_t replySize) {
    const ControlReply answer = Player().Control(line != nullptr ? line : "");
    if (reply != nullptr && replySize > 0) {
        const size_t n = std::min<size_t>(answer.text.size(), replySize - 1);
        std::memcpy(reply, answer.text.data(), n);
        reply[n] = '\0';
    }
    if (answer.ok) {
        return 0;
    }
    return answer.text == "no player" ? kPxErrorNoPlayer : kPxErrorInvalidArgument;
}

uint32_t Driver::TestPutFile(uint8_t memory, uint8_t type, const char* name, const void* data,
                             uint32_t size) {
    const std::string_view text = name != nullptr ? name : "";
    const auto* bytes = static_cast<const uint8_t*>(data);
    return Player().PutFile(memory, type,
                            {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                            {bytes, bytes != nullptr ? size : 0});
}

bool Driver::TestGetFile(uint8_t index, void* buffer, uint32_t capacity, uint32_t* size) {
    const std::optional<std::vector<uint8_t>> content = Player().GetFile(index);
    if (!content) {
        return false;
    }
    if (size != nullptr) {
        *size = static_cast<uint32_t>(content->size());
    }
    if (buffer != nullptr && !content->empty()) {
        std::memcpy(buffer, content->data(), std::min<size_t>(capacity, content->size()));
    }
    return true;
}

Driver& ThisDriver() {
    static Driver driver(kThisDialect);
    return driver;
}

}  // namespace kivo::px
