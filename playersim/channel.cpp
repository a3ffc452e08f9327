#include "playersim/channel.h"

#include <algorithm>
#include "playersim/format.h"

namespace kivo::playersim {

Channel::Channel(Device& device, Dialect dialect)
    : device_(device),
      dialect_(dialect),
      session_(device, dialect),
      bytesPerSecond_(device.Speed(dialect)) {
    device_.player.Refresh();
}

bool Channel::Survives(uint32_t n, uint32_t& allowed) {
    allowed = n;
    if (!device_.faults.dropAfter) {
        return true;
    }
    uint64_t& left = *device_.faults.dropAfter;
    if (n <= left) {
        left -= n;
        return true;
    }
    allowed = static_cast<uint32_t>(left);
    device_.faults.dropAfter.reset();
    dropped_ = true;
    device_.transcript.Add("connection dropped");
    return false;
}

uint32_t Channel::WireTime(uint32_t bytes) {
    if (bytesPerSecond_ == 0) {
        return 0;
    }
    wireMicros_ += uint64_t{bytes} * 1000000 / bytesPerSecond_;
    const auto ms = static_cast<uint32_t>(wireMicros_ / 1000);
    wireMicros_ %= 1000;
    return ms;
}

IoResult Channel::Finish(IoResult result) {
    nowMs_ += result.waitedMs;
    session_.SetNow(nowMs_);
    return result;
}

IoResult Channel::Write(std::span<const uint8_t> bytes, const IoCall& call) {
    if (dropped_) {
        return {false, 0, Error::kConnectionLost, 0};
    }
    nowMs_ = call.clockMs;
    uint32_t allowed = 0;
    const bool alive = Survives(static_cast<uint32_t>(bytes.size()), allowed);
    // The player sees the bytes once they have crossed the wire.
    const uint32_t waited = WireTime(allowed);
    session_.SetNow(nowMs_ + waited);
    const auto done = static_cast<uint32_t>(session_.Feed(bytes.first(allowed)));
    if (!alive) {
        return Finish({false, done, Error::kConnectionLost, waited});
    }
    return Finish({true, done, Error::kNone, waited});
}

void Channel::CheckRead(uint32_t wanted, const IoCall& call) {
    // A USB reply comes in 64-byte packets: whole packets are read flagged, only the rest not.
    if (dialect_ == Dialect::kUsb && call.more == 0u && wanted >= 64) {
        session_.Violation(Format("read of {} without the continuation flag", wanted));
        return;
    }
    const auto& output = session_.Output();
    if (!output.empty() && nowMs_ < output.front().notBeforeMs) {
        session_.Violation(Format("{} read {} ms early", output.front().field,
                                  output.front().notBeforeMs - nowMs_));
    }
}

IoResult Channel::Read(std::span<uint8_t> bytes, const IoCall& call) {
    if (dropped_) {
        return {false, 0, Error::kConnectionLost, 0};
    }
    nowMs_ = call.clockMs;
    session_.SetNow(nowMs_);
    const uint32_t timeoutMs = call.timeoutMs;
    const auto wanted = static_cast<uint32_t>(bytes.size());
    CheckRead(wanted, call);
    // First see what this read would deliver and when, without taking anything.
    auto& output = session_.Output();
    uint32_t available = 0;
    uint64_t readyAt = nowMs_;
    bool cutShort = false;
    for (const OutChunk& chunk : output) {
        if (available == wanted) {
            break;
        }
        readyAt = std::max(readyAt, chunk.readyAtMs);
        available += std::min<uint32_t>(wanted - available,
                                        static_cast<uint32_t>(chunk.bytes.size() - chunk.taken));
        if (chunk.breakAfter) {
            cutShort = available < wanted;
            break;
        }
    }
    if ((available < wanted && !cutShort) || readyAt - nowMs_ > timeoutMs) {
        device_.transcript.Add(Format("read of {} timed out", wanted));
        return Finish({false, 0, Error::kTimeout, timeoutMs});
    }
    uint32_t allowed = 0;
    const bool alive = Survives(available, allowed);
    uint32_t done = 0;
    while (done < allowed) {
        OutChunk& chunk = output.front();
        const auto n = std::min<uint32_t>(allowed - done,
                                          static_cast<uint32_t>(chunk.bytes.size() - chunk.taken));
        std::copy_n(chunk.bytes.begin() + static_cast<std::ptrdiff_t>(chunk.taken), n,
                    bytes.begin() + done);
        chunk.taken += n;
        done += n;
        if (chunk.taken == chunk.bytes.size()) {
            output.pop_front();
        }
    }
    if (cutShort && !output.empty() && output.front().taken == output.front().bytes.size()) {
        output.pop_front();
    }
    const auto waited = static_cast<uint32_t>(readyAt - nowMs_) + WireTime(done);
    if (!alive) {
        return Finish({false, done, Error::kConnectionLost, waited});
    }
    if (done < wanted) {
        device_.transcript.Add(Format("read of {} cut short at {}", wanted, done));
    }
    return Finish({true, done, Error::kNone, waited});
}

}  // namespace kivo::playersim
