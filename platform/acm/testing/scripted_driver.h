#pragma once

// A codec driver whose formats and conversion behaviour a test sets, so that callers of the
// manager can be checked without real codecs.

#include "platform/acm/driver.h"

#include <memory>
#include <vector>

namespace kivo::acm {

struct ScriptedCall {
    uint32_t sourceSize;
    uint32_t destinationSize;
    uint32_t flags;
    uint32_t sourceUsed;
    uint32_t destinationUsed;
};

// What the streams of one scripted driver did, shared with the test.
struct ScriptedLog {
    int opens = 0;
    int streamsAlive = 0;
    std::vector<WaveFormat> openedFrom;
    std::vector<WaveFormat> openedTo;
    std::vector<ScriptedCall> calls;
};

struct DriverScript {
    uint16_t tag = WAVE_FORMAT_SC4;
    std::vector<AcmFormatEntry> formats;
    // Bytes of one coded block and of the PCM it stands for. Decoding takes whole coded blocks
    // and gives pcmBlock bytes for each; encoding the other way round. PCM to PCM copies.
    uint32_t codedBlock = 30;
    uint32_t pcmBlock = 116;
    // At most this many source bytes per call (0: no limit), still in whole blocks.
    uint32_t takeLimit = 0;
    // Take nothing at all, from this call on (1 is the first; 0: never).
    int takeNothingFrom = 0;
    // Fail this call (1 is the first; 0: never).
    int failCall = 0;
    bool failOpen = false;
};

// The driver the script describes; every stream it opens reports to `log`.
std::unique_ptr<AcmDriver> MakeScriptedDriver(DriverScript script,
                                              std::shared_ptr<ScriptedLog> log);

// A coded format: the tag, block align codedBlock, bits 0, and samplesPerBlock as the word
// behind the extra size, the way the recorder's files carry it.
WaveFormat CodedFormat(uint16_t tag, uint16_t channels, uint32_t samplesPerSec, uint16_t blockAlign,
                       uint16_t samplesPerBlock);

}  // namespace kivo::acm
