#pragma once

#include "link/common/channel.h"
#include "link/common/link.h"
#include "link/common/link_state.h"
#include "platform/win/clock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kivo::link::testing {

using Bytes = std::vector<uint8_t>;

// A channel whose player is a script: reads come from a reply stream, every call is recorded,
// and chosen calls fail with a chosen status.
class ScriptedChannel : public Channel {
public:
    struct Event {
        std::string kind;  // "open", "close", "write", "read", "timeout"
        std::string label;
        Bytes bytes;     // what was written or read
        uint32_t value;  // the timeout at an open, the length of a transfer, a set timeout
    };

    explicit ScriptedChannel(LinkState& state) : state_(state) {}

    LinkStatus Open() override;
    LinkStatus Close() override;
    LinkStatus Write(const void* buffer, uint32_t length, const char* label) override;
    LinkStatus Read(void* buffer, uint32_t length, const char* label) override;
    void SetTimeout(uint32_t ms) override { events_.push_back({"timeout", "", {}, ms}); }

    // Bytes the player will send, in order.
    void Reply(const Bytes& bytes) { replies_.insert(replies_.end(), bytes.begin(), bytes.end()); }
    // The `occurrence`-th call of `kind` with `label` (empty: any label) fails with `status`.
    void Fail(std::string kind, std::string label, LinkStatus status, int occurrence = 1);
    void SetCloseStatus(LinkStatus status) { closeStatus_ = status; }
    // Runs after every recorded write, e.g. to answer it.
    void OnWrite(std::function<void(const Event&)> hook) { onWrite_ = std::move(hook); }

    const std::vector<Event>& events() const { return events_; }
    void ClearEvents() { events_.clear(); }
    // Compact trace: "open 3000", "write to port(command) 07", "read Config Data 252", "close".
    std::vector<std::string> Trace() const;
    // The bytes of every write with the label, joined.
    Bytes Written(const std::string& label) const;
    size_t Count(const std::string& kind, const std::string& label = "") const;
    size_t RepliesLeft() const { return replies_.size(); }

private:
    struct Failure {
        std::string kind, label;
        LinkStatus status;
        int remaining;
    };
    bool Failing(const std::string& kind, const std::string& label, LinkStatus* status);

    LinkState& state_;
    std::deque<uint8_t> replies_;
    std::vector<Failure> failures_;
    std::vector<Event> events_;
    LinkStatus closeStatus_ = kOk;
    std::function<void(const Event&)> onWrite_;
};

// A link over a scripted channel with the parallel-port dialect, on a virtual clock.
struct ScriptedLink {
    ScopedVirtualClock clock;
    LinkState state;
    ScriptedChannel channel{state};
    Link link{state, channel, kParallelPortDialect};
};

Bytes Concat(std::initializer_list<Bytes> parts);
Bytes Le16(uint16_t value);
Bytes Le32(uint32_t value);
std::string Hex(const Bytes& bytes);

}  // namespace kivo::link::testing
