#pragma once

#include "playersim/channel.h"
#include "playersim/control.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What "LPT1" reaches: a player in this process, one behind a Unix socket, or none.
namespace kivo::playersim {

class Endpoint {
public:
    virtual ~Endpoint() = default;
    // kNone when the channel is open; a player that does not answer within `timeoutMs` gives
    // kTimeout.
    virtual Error Open(Dialect dialect, uint32_t timeoutMs) = 0;
    virtual IoResult Write(std::span<const uint8_t> bytes, const IoCall& call) = 0;
    virtual IoResult Read(std::span<uint8_t> bytes, const IoCall& call) = 0;
    // `clean`: every transfer on the channel moved all it was asked to, so that reply bytes
    // left unread are the PC's doing.
    virtual void Close(bool clean) = 0;
    virtual ControlReply Control(const std::string& line) = 0;
    virtual uint8_t PutFile(uint8_t memory, uint8_t type, std::span<const uint8_t> name,
                            std::span<const uint8_t> content) = 0;
    virtual std::optional<std::vector<uint8_t>> GetFile(uint8_t index) = 0;
    // The folder whose lock file claims the port across processes; empty for none.
    virtual std::string LockFolder() const { return {}; }
};

// From KIVO_PLAYER: unset or "sim", "sim:DIR", "mem", "unix:PATH", "none".
std::unique_ptr<Endpoint> MakeEndpoint(const char* setting);

std::unique_ptr<Endpoint> MakeDeviceEndpoint(std::unique_ptr<Device> device);
std::unique_ptr<Endpoint> MakeSocketEndpoint(std::string path);

// Stores a file the way the tests seed a player: the lowest free index of its memory.
uint8_t PutDeviceFile(Device& device, uint8_t memory, uint8_t type, std::span<const uint8_t> name,
                      std::span<const uint8_t> content);

}  // namespace kivo::playersim
