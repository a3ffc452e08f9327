#pragma once

#include "platform/acm/driver.h"

#include <memory>

namespace acm {

// Converts between PCM formats: any rate, mono or stereo, unsigned 8 or signed 16 bits.
// Lists 16-bit mono at 8000 samples per second first.
KIVO_ACM_API std::unique_ptr<AcmDriver> MakePcmDriver();

}  // namespace acm
