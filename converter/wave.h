#pragma once

#include "converter/object.h"
#include "converter/progress.h"
#include "converter/wave_block.h"
#include "platform/acm/format.h"
#include "platform/acm/mmio.h"

#include <cstdint>
#include <vector>

namespace kivo::converter {

class CWaveInWnd;
class CWaveOutWnd;
class IWaveSink;

// Compression types of SetCompressionType.
inline constexpr uint32_t kCompressionTrueSpeech = 0;
inline constexpr uint32_t kCompressionSc4 = 6;

// A sound: one format record and the ordered blocks of its audio.
class CWave : public CObject {
public:
    explicit CWave(int32_t autoDelete = 0);
    ~CWave() override;
    CWave(const CWave&) = delete;
    CWave& operator=(const CWave&) = delete;

    // A wave that owns itself and is destroyed by its last ReleaseRef.
    static CWave* CreateSelfDeleting() { return new CWave(1); }

    static const CRuntimeClass classCWave;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCWave; }
    // The format record (18 + extra size bytes), then the block list.
    void Serialize(CArchive& archive) override;

    // Selects the codec of the next pass and, unless keepFormat, installs that codec's
    // first PCM format; without such a codec nothing changes.
    void SetCompressionType(uint32_t type, int32_t keepFormat);
    // 1 read / written, 0 not (with a message, except for an empty path).
    int Load(const char* path);
    int Save(const char* path);
    int ReadRiff(HMMIO file);
    int WriteRiff(HMMIO file);
    // One pass through the codec of m_wFormatTag: 1 done, 0 failed or cancelled (the wave is
    // then unchanged).
    int Convert(ConvertProgressCallback callback, int32_t toPcm, uint32_t user);

    int32_t GetSampleCount() const;
    int32_t ReleaseRef();
    void OnPlayBufferDone();
    void Stop();
    void RemoveAllBlocks() { m_blocks.RemoveAllBlocks(); }

    bool HasFormat() const { return m_pFormat.size() >= kWaveFormatSize; }
    WAVEFORMATEX FormatHeader() const;
    const WAVEFORMATEX* FormatRecord() const {
        return reinterpret_cast<const WAVEFORMATEX*>(m_pFormat.data());
    }

    int32_t m_bAutoDelete;
    // Empty until a compression type is selected or a file is read; after ReadRiff the whole
    // "fmt " chunk as stored, else 18 + extra size bytes.
    std::vector<uint8_t> m_pFormat;
    CWaveBlockList m_blocks;
    CWaveOutWnd* m_pPlayer = nullptr;
    CWaveInWnd* m_pRecorder = nullptr;
    int32_t m_nRefs = 0;
    int32_t m_nPending = 0;
    IWaveSink* m_pSink = nullptr;
    uint16_t m_wFormatTag = 0;
};

// Makes the wave classes known to archives by name.
void RegisterWaveClasses();

}  // namespace kivo::converter
