#pragma once

#include "playersim/device.h"

#include <atomic>
#include <string>

// kivo-player's loop: serves the device to one client at a time on a Unix socket.
namespace kivo::playersim {

// Listens on `path` (replacing a socket file nobody answers on) and serves until `stop` is set.
// False with `error` set when it cannot listen. `onListening` runs once the socket accepts.
bool Serve(Device& device, const std::string& path, const std::atomic<bool>& stop,
           std::string& error, void (*onListening)(const std::string& path));

}  // namespace kivo::playersim
