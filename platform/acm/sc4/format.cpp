#include "platform/acm/sc4/format.h"

namespace kivo::sc4 {

uint16_t SyncMarker(uint32_t samplesPerSec) {
    switch (samplesPerSec) {
        case 8000:
        case 11025:
            return 0x011B;
        case 16000:
        case 32000:
            return 0x02B2;
        default:
            return 0;
    }
}

bool IsSupported(const StreamFormat& format) {
    return SyncMarker(format.samplesPerSec) != 0 && (format.channels == 1 || format.channels == 2);
}

}  // namespace kivo::sc4
