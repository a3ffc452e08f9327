#include "link/testing/scripted_channel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kivo::link::testing {

bool ScriptedChannel::Failing(const std::string& kind, const std::string& label,
                              LinkStatus* status) {
    for (auto& f : failures_) {
        if (f.kind != kind || (!f.label.empty() && f.label != label) || f.remaining <= 0)
            continue;
        if (--f.remaining == 0) {
            *status = f.status;
            return true;
        }
    }
    return false;
}

void ScriptedChannel::Fail(std::string kind, std::string label, LinkStatus status, int occurrence) {
    failures_.push_back({std::move(kind), std::move(label), status, occurrence});
}

LinkStatus ScriptedChannel::Open() {
    events_.push_back({"open", "", {}, state_.OperationTimeout});
    LinkStatus status = kOk;
    return Failing("open", "", &status) ? status : kOk;
}

LinkStatus ScriptedChannel::Close() {
    events_.push_back({"close", "", {}, 0});
    return closeStatus_;
}

LinkStatus ScriptedChannel::Write(const void* buffer, uint32_t length, const char* label) {
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    events_.push_back({"write", label, Bytes(bytes, bytes + length), length});
    LinkStatus status = kOk;
    if (Failing("write", label, &status))
        return status;
    if (onWrite_)
        onWrite_(events_.back());
    return kOk;
}

LinkStatus ScriptedChannel::Read(void* buffer, uint32_t length, const char* label) {
    LinkStatus status = kOk;
    if (Failing("read", label, &status)) {
        events_.push_back({"read", label, {}, length});
        return status;
    }
    const size_t n = std::min<size_t>(length, replies_.size());
    Bytes got(replies_.begin(), replies_.begin() + n);
    replies_.erase(replies_.begin(), replies_.begin() + n);
    std::memcpy(buffer, got.data(), n);
    events_.push_back({"read", label, got, length});
    return n == length ? kOk : kShortRead;
}

std::vector<std::string> ScriptedChannel::Trace() const {
    std::vector<std::string> out;
    for (const auto& e : events_) {
        std::string line = e.kind;
        if (!e.label.empty())
            line += " " + e.label;
        if (e.kind == "write" && e.bytes.size() <= 4) {
            line += " " + Hex(e.bytes);
        } else if (e.kind != "close") {
            line += " " + std::to_string(e.value);
        }
        out.push_back(line);
    }
    return out;
}

Bytes ScriptedChannel::Written(const std::string& label) const {
    Bytes out;
    for (const auto& e : events_) {
        if (e.kind == "write" && e.label == label)
            out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    }
    return out;
}

size_t ScriptedChannel::Count(const std::string& kind, const std::string& label) const {
    return std::count_if(events_.begin(), events_.end(), [&](const Event& e) {
        return e.kind == kind && (label.empty() || e.label == label);
    });
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Le16(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

Bytes Le32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

std::string Hex(const Bytes& bytes) {
    std::string out;
    char cell[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02X" : "%02X", bytes[i]);
        out += cell;
    }
    return out;
}

}  // namespace kivo::link::testing
