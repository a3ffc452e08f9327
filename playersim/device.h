#pragma once

#include "playersim/player.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The simulated player as the drivers reach it: its state, the faults it has been told to
// show and the transcript of what it received.
namespace kivo::playersim {

struct Faults {
    // Takes commands but never answers.
    bool noAnswer = false;
    bool refuseErase = false;
    bool refuseImage = false;
    // The valid code after this download block is 24.
    std::optional<uint32_t> refuseAfterBlock;
    // Fields (by name) the player sends or takes one byte short.
    std::set<std::string> shortRead;
    std::set<std::string> shortWrite;
    // Fields the player sends only after this many milliseconds.
    std::map<std::string, uint32_t> stall;
    // The connection drops after this many more bytes, either way.
    std::optional<uint64_t> dropAfter;
};

class Transcript {
public:
    void Add(std::string line);
    std::string Text() const;
    void Clear() { lines_.clear(); }

private:
    std::deque<std::string> lines_;
};

// The USB player's status answer comes later than the parallel port's first timeout.
inline constexpr uint32_t kUsbStatusDelayMs = 200;
inline constexpr uint32_t kParallelBytesPerSecond = 600 * 1024;
inline constexpr uint32_t kUsbBytesPerSecond = 1024 * 1024;

struct Device {
    explicit Device(std::unique_ptr<Store> store) : player(std::move(store)) {}
    Player player;
    Faults faults;
    Transcript transcript;
    // Wire speed in bytes per second, 0 for unthrottled; none for the real link's speed.
    std::optional<uint32_t> bytesPerSecond;
    uint32_t usbStatusDelayMs = kUsbStatusDelayMs;
    // Files the list names under another index (such as 255, or 0), by their own index.
    std::map<uint8_t, uint8_t> listedAs;
    // The valid code the player sends between download blocks when it goes on.
    uint8_t validCode = 0;

    // What the PC did that a real player would not have taken, in order.
    std::vector<std::string> violations;
    // System files whose delete exchange ran to its end, so that they may be written.
    std::set<uint8_t> deletedSystemFiles;
    // The PC's clock when it last closed a channel.
    std::optional<uint64_t> lastCloseMs;

    uint32_t Speed(Dialect dialect) const {
        if (bytesPerSecond) {
            return *bytesPerSecond;
        }
        return dialect == Dialect::kUsb ? kUsbBytesPerSecond : kParallelBytesPerSecond;
    }
};

}  // namespace kivo::playersim
