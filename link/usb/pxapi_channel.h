#pragma once

#include "link/common/channel.h"
#include "link/common/link_state.h"

#include <cstdint>

namespace kivo::link::usb {

inline constexpr uint32_t kMoreFollows = 1;
inline constexpr uint32_t kLastRead = 0;

// The USB channel over PXAPI: no port to claim, one way to open, and every read carries the
// continuation flag. A failed or short transfer only closes the handle; the operation's own
// close then makes no second call.
class PxapiChannel : public Channel {
public:
    explicit PxapiChannel(LinkState& state) : state_(state) {}

    LinkStatus Open() override;
    LinkStatus Close() override;
    LinkStatus Write(const void* buffer, uint32_t length, const char* label) override;
    // One logical read: the whole 64-byte packets with the flag set, then the rest without.
    LinkStatus Read(void* buffer, uint32_t length, const char* label) override;
    void SetTimeout(uint32_t ms) override;

    // One driver read; a length of 0 reads nothing.
    LinkStatus ReadField(void* buffer, uint32_t length, uint32_t& done, uint32_t more);
    // A short read without flag, whose result the player's protocol leaves untested: the
    // buffer keeps what it held where the driver delivers nothing.
    void ReadDataBytes(void* buffer, uint32_t count);

private:
    LinkStatus Drop(LinkStatus status);

    LinkState& state_;
    bool open_ = false;
};

}  // namespace kivo::link::usb
