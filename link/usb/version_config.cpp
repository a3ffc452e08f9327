#include "link/usb/version_config.h"

#include "link/common/command_session.h"
#include "link/common/play_order.h"
#include "link/common/player_version.h"

#include <algorithm>
#include <array>

namespace kivo::link::usb {

namespace {

constexpr uint32_t kVersionBytes = 8;
constexpr uint32_t kVersionDigits = 4;

}  // namespace

LinkStatus ReadVersionAndConfig(Link& link) {
    CommandSession session(link, kVersionCommand);
    if (session.status() != kOk)
        return session.status();
    std::array<uint8_t, kVersionBytes + kConfigAreaBytes> reply;
    if (LinkStatus s = session.Read(reply.data(), reply.size(), "TRAQ version"); s != kOk)
        return s;
    LinkState& state = link.state;
    std::copy(reply.begin() + kVersionBytes, reply.end(), state.ConfigArea.begin());
    session.Close();
    CountPlayOrder(state);
    SetPlayerVersion(state, reply.data() + kVersionDigits);
    return kOk;
}

}  // namespace kivo::link::usb
