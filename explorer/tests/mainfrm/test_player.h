#pragma once

#include "drivers/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The simulated player behind one link library, reached through the test hooks of the driver
// that library stands on: parlink's (port 0) or buslink's (port 1). Each has a player of its own.
class TestPlayer {
public:
    explicit TestPlayer(int16_t port);

    // An empty player with the default memories and no faults.
    void Reset();
    // Stores a file as the player keeps it (the name in its code page as given); its file index.
    uint8_t Put(uint8_t memory, const std::string& name, const std::string& bytes,
                uint8_t fileType = 1);
    // A file's bytes; nothing when the index holds no file.
    std::optional<std::string> Get(uint8_t index);
    // The player's files, one line each: index, memory, type, size, name.
    std::string Files() { return Control("files"); }
    // A control line of kivo-player ("fault drop 100", "card none", ...); fails the test when
    // the player refuses it.
    std::string Control(const std::string& line);
    // Recording of the driver's calls.
    void Record(bool on);
    size_t CallCount();

private:
    void* library_ = nullptr;
    void (*reset_)() = nullptr;
    void (*record_)(int32_t) = nullptr;
    uint32_t (*callCount_)() = nullptr;
    void (*clearCalls_)() = nullptr;
    uint32_t (*control_)(const char*, char*, uint32_t) = nullptr;
    uint32_t (*put_)(uint8_t, uint8_t, const char*, const void*, uint32_t) = nullptr;
    int32_t (*get_)(uint8_t, void*, uint32_t, uint32_t*) = nullptr;
};
