#include "link/common/command_session.h"

namespace kivo::link {

LinkStatus SendCommand(Channel& channel, uint8_t command) {
    if (LinkStatus status = channel.Open(); status != kOk)
        return status;
    if (LinkStatus status = channel.Write(&command, 1, "to port(command)"); status != kOk) {
        channel.Close();
        return status;
    }
    return kOk;
}

CommandSession::CommandSession(Link& link, Command command) : link_(link) {
    link_.state.OperationTimeout = command.timeoutMs;
    status_ = SendCommand(link_.channel, command.code);
    open_ = status_ == kOk;
}

LinkStatus CommandSession::Finish(LinkStatus status) {
    if (status != kOk)
        Close();
    return status;
}

LinkStatus CommandSession::Write(const void* buffer, uint32_t length, const char* label) {
    return Finish(link_.channel.Write(buffer, length, label));
}

LinkStatus CommandSession::Read(void* buffer, uint32_t length, const char* label) {
    return Finish(link_.channel.Read(buffer, length, label));
}

void CommandSession::Close() {
    if (!open_)
        return;
    open_ = false;
    link_.channel.Close();
}

}  // namespace kivo::link
