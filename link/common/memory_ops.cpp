#include "link/common/memory_ops.h"

#include "link/common/command_session.h"
#include "platform/win/clock.h"

namespace kivo::link {

namespace {

// Both commands send one byte, wait what the dialect asks, and read a one-byte acknowledgement.
LinkStatus SendByteAndReadAck(Link& link, const Command& command, uint8_t value,
                              const char* valueLabel, uint32_t waitMs, const char* ackLabel) {
    CommandSession session(link, command);
    if (session.status() != kOk)
        return session.status();
    if (LinkStatus s = session.WriteByte(value, valueLabel); s != kOk)
        return s;
    if (waitMs)
        Sleep(waitMs);
    uint8_t ack = 0;
    return session.Read(&ack, 1, ackLabel);
}

}  // namespace

LinkStatus InitializeMemory(Link& link, uint8_t memoryType) {
    return SendByteAndReadAck(link, kInitializeCommand, memoryType, "memory type",
                              link.dialect.initializeAckWaitMs, "memory initialize OK");
}

LinkStatus DeleteDeviceFile(Link& link, uint8_t index) {
    return SendByteAndReadAck(link, kDeleteCommand, index, "File Index",
                              link.dialect.deleteAckWaitMs, "delete OK");
}

}  // namespace kivo::link
