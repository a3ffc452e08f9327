#include "link/parport/pxdll_channel.h"

#include "drivers/pxdll.h"
#include "link/common/channel_open.h"

namespace kivo::link::parport {

namespace {

constexpr int16_t kPort = 1;

LinkStatus LastError() {
    return static_cast<LinkStatus>(PX_GetLastError());
}

}  // namespace

LinkStatus PxdllChannel::Open() {
    if (PX_AcquirePort(kPort) != 0)
        return LastError();
    auto create = state_.EcpEmulation ? PX_CreateFileEx : PX_CreateFile;
    state_.ChannelHandle =
        create(kChannelName, kReadWrite, 0, nullptr, kOpenExisting, kChannelFlags, nullptr);
    // A failed open keeps the port claimed; the next open claims it again.
    if (state_.ChannelHandle == kPxInvalidHandle)
        return LastError();
    handleOpen_ = true;
    PX_SetTimeOut(state_.OperationTimeout);
    return kOk;
}

void PxdllChannel::CloseHandle() {
    handleOpen_ = false;
    PX_CloseHandle(state_.ChannelHandle);
}

LinkStatus PxdllChannel::Close() {
    bool closed = true;
    if (handleOpen_) {
        handleOpen_ = false;
        closed = PX_CloseHandle(state_.ChannelHandle) != 0;
    }
    const bool released = PX_ReleasePort(kPort) == 0;
    return closed && released ? kOk : LastError();
}

// After a failed or short transfer the handle is closed and the port claimed again, so that
// the operation's own close leaves everything released.
LinkStatus PxdllChannel::Recover(bool failed, LinkStatus shortStatus) {
    CloseHandle();
    if (failed) {
        if (PX_ReleasePort(kPort) == 0)
            PX_AcquirePort(kPort);
        return LastError();
    }
    if (PX_ReleasePort(kPort) != 0)
        return LastError();
    if (PX_AcquirePort(kPort) != 0)
        return LastError();
    return shortStatus;
}

LinkStatus PxdllChannel::Write(const void* buffer, uint32_t length, const char*) {
    uint32_t done = 0;
    const bool ok = PX_WriteFile(state_.ChannelHandle, buffer, length, &done, nullptr) != 0;
    if (ok && done == length)
        return kOk;
    return Recover(!ok, kShortWrite);
}

LinkStatus PxdllChannel::Read(void* buffer, uint32_t length, const char*) {
    uint32_t done = 0;
    const bool ok = PX_ReadFile(state_.ChannelHandle, buffer, length, &done, nullptr) != 0;
    if (ok && done == length)
        return kOk;
    return Recover(!ok, kShortRead);
}

void PxdllChannel::SetTimeout(uint32_t ms) {
    PX_SetTimeOut(ms);
}

}  // namespace kivo::link::parport
