#pragma once

#include "link/common/channel.h"
#include "link/common/link_state.h"

namespace kivo::link::parport {

// The parallel-port channel over pxdll: claims the port for every open and, after a failed
// or short transfer, closes the handle and claims the port afresh.
class PxdllChannel : public Channel {
public:
    explicit PxdllChannel(LinkState& state) : state_(state) {}

    LinkStatus Open() override;
    LinkStatus Close() override;
    LinkStatus Write(const void* buffer, uint32_t length, const char* label) override;
    LinkStatus Read(void* buffer, uint32_t length, const char* label) override;
    void SetTimeout(uint32_t ms) override;

private:
    LinkStatus Recover(bool failed, LinkStatus shortStatus);
    void CloseHandle();

    LinkState& state_;
    bool handleOpen_ = false;
};

}  // namespace kivo::link::parport
