#include "converter/wave.h"

#include "converter/archive.h"
#include "converter/codec_lookup.h"
#include "converter/wave_sink.h"
#include "converter/wave_windows.h"

#include <algorithm>
#include <cstring>

namespace kivo::converter {

namespace {

std::unique_ptr<CObject> CreateWave() {
    return std::make_unique<CWave>(0);
}

uint16_t TagOfType(uint32_t type) {
    switch (type) {
        case 1:
            return WAVE_FORMAT_GSM610;
        case 2:
            return WAVE_FORMAT_ADPCM;
        case 3:
            return WAVE_FORMAT_IMA_ADPCM;
        case 4:
            return WAVE_FORMAT_ALAW;
        case 5:
            return WAVE_FORMAT_MULAW;
        case 6:
            return WAVE_FORMAT_SC4;
        default:
            return WAVE_FORMAT_TRUESPEECH;
    }
}

}  // namespace

const CRuntimeClass CWave::classCWave = {"CWave", 0, CreateWave};

void RegisterWaveClasses() {
    RegisterRuntimeClass(&CWave::classCWave);
    RegisterRuntimeClass(&CWaveBlock::classCWaveBlock);
    RegisterRuntimeClass(&CWaveBlockList::classCWaveBlockList);
}

CWave::CWave(int32_t autoDelete) : m_bAutoDelete(autoDelete) {
    SetCompressionType(kCompressionTrueSpeech, 0);
}

CWave::~CWave() {
    if (m_nPending != 0)
        Stop();
    RemoveAllBlocks();
}

WAVEFORMATEX CWave::FormatHeader() const {
    WAVEFORMATEX header{};
    if (HasFormat())
        std::memcpy(&header, m_pFormat.data(), kWaveFormatSize);
    return header;
}

void CWave::SetCompressionType(uint32_t type, int32_t keepFormat) {
    const uint16_t tag = TagOfType(type);
    const auto driver = FindDriverForTag(tag);
    if (!driver)
        return;
    const auto pcm = FirstFormatOfTag(*driver, WAVE_FORMAT_PCM);
    if (!pcm)
        return;
    m_wFormatTag = tag;
    if (keepFormat == 0)
        m_pFormat.assign(pcm->bytes().begin(), pcm->bytes().end());
}

int32_t CWave::GetSampleCount() const {
    // Summed with wrap-around, as a 32-bit count would.
    uint32_t total = 0;
    for (const auto& block : m_blocks)
        total += static_cast<uint32_t>(block->m_nSamples);
    return static_cast<int32_t>(total);
}

int32_t CWave::ReleaseRef() {
    const int32_t refs = --m_nRefs;
    if (refs == 0 && m_bAutoDelete != 0)
        delete this;
    return refs;
}

void CWave::OnPlayBufferDone() {
    if (--m_nPending != 0)
        return;
    if (m_pSink != nullptr)
        m_pSink->OnPlayDone(this);
    if (m_bAutoDelete != 0)
        ReleaseRef();
}

void CWave::Stop() {
    if (m_pPlayer != nullptr)
        m_pPlayer->Reset();
    if (m_pRecorder != nullptr)
        m_pRecorder->Reset();
}

void CWave::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        // A wave without a format stores an empty record, so the block list still follows
        // where a loader looks for it.
        const WAVEFORMATEX header = FormatHeader();
        if (HasFormat()) {
            archive.WriteBytes(
                std::span(m_pFormat.data(), std::min(m_pFormat.size(), FormatRecordSize(&header))));
        } else {
            archive.WriteBytes(std::vector<uint8_t>(kWaveFormatSize));
        }
        m_blocks.Serialize(archive);
        return;
    }
    // The stored record says how long it is.
    std::vector<uint8_t> record(kWaveFormatSize);
    if (!archive.ReadBytes(record))
        return;
    WAVEFORMATEX header;
    std::memcpy(&header, record.data(), kWaveFormatSize);
    record.resize(FormatRecordSize(&header));
    if (!archive.ReadBytes(std::span(record).subspan(kWaveFormatSize)))
        return;
    m_pFormat = std::move(record);
    m_blocks.Serialize(archive);
}

}  // namespace kivo::converter
