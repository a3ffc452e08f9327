#pragma once

#include "platform/acm/acm.h"

#include <cstdint>
#include <optional>

namespace kivo::converter {

// The first codec driver that lists a format of `tag`, or none.
std::optional<HACMDRIVERID> FindDriverForTag(uint16_t tag);

// The first format of `tag` that the driver lists, or none.
std::optional<WaveFormat> FirstFormatOfTag(HACMDRIVERID driver, uint16_t tag);

// Lets the calling thread run at most 10 waiting window messages.
void DispatchPendingMessages();

}  // namespace kivo::converter
