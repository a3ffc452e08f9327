#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

static_assert(std::endian::native == std::endian::little,
              "format records are stored and read in the host's byte order");

// The format record as stored in files and handed between the manager and its drivers; the
// extra bytes (cbSize of them) follow it directly.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr size_t kWaveFormatSize = sizeof(WAVEFORMATEX);

inline constexpr uint16_t WAVE_FORMAT_UNKNOWN = 0x0000;
inline constexpr uint16_t WAVE_FORMAT_PCM = 0x0001;
inline constexpr uint16_t WAVE_FORMAT_ADPCM = 0x0002;
inline constexpr uint16_t WAVE_FORMAT_ALAW = 0x0006;
inline constexpr uint16_t WAVE_FORMAT_MULAW = 0x0007;
inline constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x0011;
inline constexpr uint16_t WAVE_FORMAT_TRUESPEECH = 0x0022;
inline constexpr uint16_t WAVE_FORMAT_GSM610 = 0x0031;
inline constexpr uint16_t WAVE_FORMAT_SC4 = 0x0350;

// Length of a record in memory: the header and its extra bytes.
inline size_t FormatRecordSize(const WAVEFORMATEX* format) {
    return kWaveFormatSize + format->cbSize;
}

// An owned format record: the 18-byte header followed by exactly cbSize extra bytes.
class WaveFormat {
public:
    WaveFormat() : bytes_(kWaveFormatSize, 0) {}

    explicit WaveFormat(const WAVEFORMATEX& header, std::span<const uint8_t> extra = {})
        : bytes_(kWaveFormatSize + extra.size()) {
        WAVEFORMATEX h = header;
        h.cbSize = static_cast<uint16_t>(extra.size());
        std::memcpy(bytes_.data(), &h, kWaveFormatSize);
        std::copy(extra.begin(), extra.end(), bytes_.begin() + kWaveFormatSize);
    }

    // Copies 18 + cbSize bytes from a record in memory.
    static WaveFormat FromRecord(const WAVEFORMATEX* record) {
        WaveFormat f;
        const auto* p = reinterpret_cast<const uint8_t*>(record);
        f.bytes_.assign(p, p + FormatRecordSize(record));
        return f;
    }

    // Plain PCM: block align and byte rate follow from the other three.
    static WaveFormat Pcm(uint16_t channels, uint32_t samplesPerSec, uint16_t bitsPerSample) {
        WAVEFORMATEX h{};
        h.wFormatTag = WAVE_FORMAT_PCM;
        h.nChannels = channels;
        h.nSamplesPerSec = samplesPerSec;
        h.nBlockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
        h.nAvgBytesPerSec = samplesPerSec * h.nBlockAlign;
        h.wBitsPerSample = bitsPerSample;
        return WaveFormat(h);
    }

    WAVEFORMATEX header() const {
        WAVEFORMATEX h;
        std::memcpy(&h, bytes_.data(), kWaveFormatSize);
        return h;
    }
    uint16_t tag() const { return header().wFormatTag; }
    uint16_t channels() const { return header().nChannels; }
    uint32_t samplesPerSec() const { return header().nSamplesPerSec; }
    uint32_t avgBytesPerSec() const { return header().nAvgBytesPerSec; }
    uint16_t blockAlign() const { return header().nBlockAlign; }
    uint16_t bitsPerSample() const { return header().wBitsPerSample; }

    std::span<const uint8_t> extra() const {
        return std::span<const uint8_t>(bytes_).subspan(kWaveFormatSize);
    }
    // The little-endian word at `offset` bytes into the extra bytes; 0 when it lies outside.
    uint16_t extraWord(size_t offset) const {
        if (offset + 2 > extra().size())
            return 0;
        return static_cast<uint16_t>(extra()[offset] | extra()[offset + 1] << 8);
    }

    std::span<const uint8_t> bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }
    const WAVEFORMATEX* record() const {
        return reinterpret_cast<const WAVEFORMATEX*>(bytes_.data());
    }

    bool operator==(const WaveFormat&) const = default;

private:
    std::vector<uint8_t> bytes_;
};
