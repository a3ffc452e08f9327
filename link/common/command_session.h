#pragma once

#include "link/common/commands.h"
#include "link/common/link.h"

namespace kivo::link {

// One use of the channel: sets the command's timeout, opens, sends the command byte, carries
// the fields and closes. The first failing field closes the channel; the close's own result
// never becomes a status. Whatever path leaves the scope, the channel ends closed.
class CommandSession {
public:
    CommandSession(Link& link, Command command);
    ~CommandSession() { Close(); }
    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    // Result of sending the command byte; on nonzero no field may follow.
    LinkStatus status() const { return status_; }

    LinkStatus Write(const void* buffer, uint32_t length, const char* label);
    LinkStatus Read(void* buffer, uint32_t length, const char* label);
    LinkStatus WriteByte(uint8_t value, const char* label) { return Write(&value, 1, label); }
    void SetTimeout(uint32_t ms) { link_.channel.SetTimeout(ms); }
    void Close();

private:
    LinkStatus Finish(LinkStatus status);

    Link& link_;
    LinkStatus status_;
    bool open_ = false;
};

// Opens the channel and writes the command byte; on 0 the channel stays open.
LinkStatus SendCommand(Channel& channel, uint8_t command);

}  // namespace kivo::link
