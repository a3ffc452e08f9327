#pragma once

#include <cstdint>

// Progress of a conversion: pass 1 decodes to PCM, pass 2 encodes; percent runs 0 to 100
// within a pass; a nonzero result cancels.
extern "C" typedef int32_t (*ConvertProgressCallback)(int32_t pass, int32_t percent, uint32_t user);
