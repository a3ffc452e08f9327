#pragma once

#include "playersim/device.h"

#include <string>

// Settings, faults and inspection of the player by text lines, the same words as the options
// of kivo-player ("card EC 75", "fault drop 100", "files", ...).
namespace kivo::playersim {

struct ControlReply {
    bool ok = false;
    std::string text;  // the answer, or why the line was refused
};

ControlReply Control(Device& device, const std::string& line);

// The help text of the control words, shared by kivo-player --help.
const char* ControlHelp();

}  // namespace kivo::playersim
