#include "link/parport/memory_info.h"

#include "link/common/command_session.h"
#include "link/common/memory_figure.h"

namespace kivo::link::parport {

LinkStatus ReadMemoryInfo(Link& link) {
    CommandSession session(link, kMemoryInfoCommand);
    if (session.status() != kOk)
        return session.status();
    LinkState& s = link.state;
    const struct {
        int64_t* figure;
        const char* label;
    } fields[] = {
        {&s.InternalTotalBytes, "Internal Total Memory"},
        {&s.InternalFreeBytes, "Internal Free Memory"},
        {&s.ExternalTotalBytes, "External Total Memory"},
        {&s.ExternalFreeBytes, "External Free Memory"},
    };
    for (const auto& field : fields) {
        uint8_t count[2];
        if (LinkStatus status = session.Read(count, 2, field.label); status != kOk)
            return status;
        *field.figure = MemoryFigureBytes(count);
    }
    return kOk;
}

}  // namespace kivo::link::parport
