#pragma once

namespace kivo::converter {

class CWave;
class CWaveBlock;

// The listener of a wave's playback and recording.
class IWaveSink {
public:
    virtual ~IWaveSink() = default;
    virtual void OnBlockAdded(CWave* wave, CWaveBlock* block) = 0;
    virtual void OnPlayDone(CWave* wave) = 0;
    virtual void OnRecordDone() = 0;
};

}  // namespace kivo::converter
