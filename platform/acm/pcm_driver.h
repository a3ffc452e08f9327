#pragma once

#include "platform/acm/driver.h"

#include <memory>

namespace kivo::acm {

// Converts between PCM formats: any rate, mono or stereo, unsigned 8 or signed 16 bits; rates
// change through a band-limited filter.
// Lists 16-bit mono at 8000 samples per second first.
KIVO_ACM_API std::unique_ptr<AcmDriver> MakePcmDriver();

// Source frames beyond those it converts that a stream from one rate to the other reads before
// it gives an output frame, and so leaves untaken without ACM_STREAMCONVERTF_END.
KIVO_ACM_API uint32_t PcmReadAhead(uint32_t fromRate, uint32_t toRate);

}  // namespace kivo::acm
