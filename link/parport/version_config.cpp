#include "link/parport/version_config.h"

#include "link/common/command_session.h"
#include "link/common/play_order.h"
#include "link/common/player_version.h"
#include "platform/win/clock.h"

namespace kivo::link::parport {

LinkStatus ReadVersionAndConfig(Link& link) {
    if (link.dialect.versionLeadWaitMs)
        Sleep(link.dialect.versionLeadWaitMs);
    CommandSession session(link, kVersionCommand);
    if (session.status() != kOk)
        return session.status();
    uint8_t version[8];
    if (LinkStatus s = session.Read(version, sizeof version, "TRAQ version"); s != kOk)
        return s;
    LinkState& state = link.state;
    if (LinkStatus s = session.Read(state.ConfigArea.data(), kConfigAreaBytes, "Config Data");
        s != kOk) {
        return s;
    }
    session.Close();
    CountPlayOrder(state);
    SetPlayerVersion(state, version + 4);
    return kOk;
}

}  // namespace kivo::link::parport
