#include "link/common/memory_ops.h"

#include "link/common/command_session.h"
#include "platform/win/clock.h"

namespace kivo::link {

LinkStatus InitializeMemory(Link& link, uint8_t memoryType) {
    CommandSession session(link, kInitializeCommand);
    if (session.status() != kOk)
        return session.status();
    if (LinkStatus s = session.WriteByte(memoryType, "memory type"); s != kOk)
        return s;
    if (link.dialect.initializeAckWaitMs)
        Sleep(link.dialect.initializeAckWaitMs);
    uint8_t ack = 0;
    return session.Read(&ack, 1, "memory initialize OK");
}

LinkStatus DeleteDeviceFile(Link& link, uint8_t index) {
    CommandSession session(link, kDeleteCommand);
    if (session.status() != kOk)
        return session.status();
    if (LinkStatus s = session.WriteByte(index, "File Index"); s != kOk)
        return s;
    if (link.dialect.deleteAckWaitMs)
        Sleep(link.dialect.deleteAckWaitMs);
    uint8_t ack = 0;
    return session.Read(&ack, 1, "delete OK");
}

}  // namespace kivo::link
