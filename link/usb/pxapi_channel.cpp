#include "link/usb/pxapi_channel.h"

#include "drivers/pxapi.h"
#include "link/common/channel_open.h"

namespace kivo::link::usb {

namespace {

constexpr uint32_t kPacketBytes = 64;

LinkStatus LastError() {
    return static_cast<LinkStatus>(PX_GetLastError());
}

}  // namespace

LinkStatus PxapiChannel::Open() {
    state_.ChannelHandle =
        PX_CreateFile(kChannelName, kReadWrite, 0, nullptr, kOpenExisting, kChannelFlags, nullptr);
    if (state_.ChannelHandle == kPxInvalidHandle)
        return LastError();
    open_ = true;
    PX_SetTimeOut(state_.OperationTimeout);
    return kOk;
}

LinkStatus PxapiChannel::Close() {
    if (!open_)
        return kOk;
    open_ = false;
    return PX_CloseHandle(state_.ChannelHandle) != 0 ? kOk : LastError();
}

LinkStatus PxapiChannel::Drop(LinkStatus status) {
    open_ = false;
    PX_CloseHandle(state_.ChannelHandle);
    return status;
}

LinkStatus PxapiChannel::Write(const void* buffer, uint32_t length, const char*) {
    uint32_t done = 0;
    if (PX_WriteFile(state_.ChannelHandle, buffer, length, &done, nullptr) == 0)
        return Drop(LastError());
    return done == length ? kOk : Drop(kShortWrite);
}

LinkStatus PxapiChannel::ReadField(void* buffer, uint32_t length, uint32_t& done, uint32_t more) {
    done = 0;
    if (length == 0)
        return kOk;
    if (PX_ReadFile(state_.ChannelHandle, buffer, length, &done, nullptr, more) == 0)
        return Drop(LastError());
    return done == length ? kOk : Drop(kShortRead);
}

LinkStatus PxapiChannel::Read(void* buffer, uint32_t length, const char*) {
    const uint32_t rest = length % kPacketBytes;
    const uint32_t packets = length - rest;
    uint32_t done = 0;
    if (LinkStatus s = ReadField(buffer, packets, done, kMoreFollows); s != kOk)
        return s;
    return ReadField(static_cast<uint8_t*>(buffer) + packets, rest, done, kLastRead);
}

void PxapiChannel::ReadDataBytes(void* buffer, uint32_t count) {
    PX_ReadDataBytes(state_.ChannelHandle, count, buffer);
}

void PxapiChannel::SetTimeout(uint32_t ms) {
    PX_SetTimeOut(ms);
}

}  // namespace kivo::link::usb
