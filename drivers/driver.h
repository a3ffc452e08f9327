#pragma once

#include "drivers/types.h"
#include "playersim/endpoint.h"
#include "playersim/store_lock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The body of both player drivers: one per library, each with its own state.
namespace kivo::px {

using playersim::Dialect;

class Driver {
public:
    explicit Driver(Dialect dialect);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    int16_t AcquirePort(int16_t port);
    int16_t ReleasePort(int16_t port);
    PxHandle CreateFile(const char* function, const char* name, uint32_t access, uint32_t share,
                        const void* security, uint32_t creation, uint32_t flags,
                        const void* templateFile);
    int32_t SetTimeOut(uint32_t ms);
    int32_t WriteFile(PxHandle handle, const void* buffer, uint32_t length, uint32_t* done,
                      const void* overlapped);
    // `more` is none for the parallel port's read, which has no continuation flag.
    int32_t ReadFile(PxHandle handle, void* buffer, uint32_t length, uint32_t* done,
                     const void* overlapped, std::optional<uint32_t> more);
    int32_t ReadDataBytes(PxHandle handle, uint32_t count, void* buffer);
    int32_t CloseHandle(PxHandle handle);
    uint32_t GetLastError();

    void TestReset();
    void TestRecordCalls(bool on) { recording_ = on; }
    uint32_t TestCallCount() const { return static_cast<uint32_t>(calls_.size()); }
    bool TestGetCall(uint32_t index, PxCallRecord* record) const;
    void TestClearCalls() { calls_.clear(); }
    void TestFailCall(const PxFailure& failure);
    uint32_t TestControl(const char* line, char* reply, uint32_t replySize);
    uint32_t TestPutFile(uint8_t memory, uint8_t type, const char* name, const void* data,
                         uint32_t size);
    bool TestGetFile(uint8_t index, void* buffer, uint32_t capacity, uint32_t* size);

private:
    struct Pending {
        PxFailure failure;
        uint32_t left;
    };
    playersim::Endpoint& Player();
    std::optional<PxFailure> Injected(const char* function);
    // `more` is a USB read's continuation flag, passed on to the player.
    int32_t Transfer(const char* function, PxHandle handle, void* buffer, uint32_t length,
                     uint32_t* done, bool write, std::vector<int64_t> args,
                     std::optional<uint32_t> more = std::nullopt);
    int64_t Fail(uint32_t error, int64_t result);
    int64_t Fail(playersim::Error error, int64_t result);
    void Record(const char* function, const char* name, std::vector<int64_t> args, int64_t result,
                uint32_t done);

    Dialect dialect_;
    std::unique_ptr<playersim::Endpoint> endpoint_;
    std::unique_ptr<playersim::StoreLock> portLock_;
    bool claimed_ = false;
    PxHandle open_ = kPxInvalidHandle;
    // No transfer on the open channel failed or came short, so the player may hold the PC to
    // reading every reply byte.
    bool clean_ = false;
    PxHandle nextHandle_ = 0x100;
    uint32_t timeoutMs_ = 1000;
    uint32_t lastError_ = 0;
    bool recording_ = false;
    std::vector<PxCallRecord> calls_;
    std::vector<Pending> failures_;
};

// The dialect of the library this layer is built into; each face defines it.
extern const Dialect kThisDialect;

// The one driver of this library.
Driver& ThisDriver();

}  // namespace kivo::px
