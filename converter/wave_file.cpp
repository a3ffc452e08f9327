#include "converter/codec_lookup.h"
#include "converter/file_errors.h"
#include "converter/wave.h"
#include "platform/win/file_write.h"
#include "platform/win/regular_file.h"
#include "platform/win/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace kivo::converter {

namespace {

using kivo::win::UniqueFd;

constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kFact = mmioFOURCC('f', 'a', 'c', 't');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr int32_t kPortionBytes = 16384;

// A buffered handle on a file that stays open after the handle is closed.
class MmioOnFile {
public:
    MmioOnFile(int fd, uint32_t flags) {
        MMIOINFO info{};
        info.adwInfo[0] = static_cast<uintptr_t>(fd);
        handle_ = mmioOpenA(nullptr, &info, flags | MMIO_ALLOCBUF);
    }
    ~MmioOnFile() { Close(); }
    MmioOnFile(const MmioOnFile&) = delete;
    MmioOnFile& operator=(const MmioOnFile&) = delete;

    HMMIO get() const { return handle_; }
    // True when everything written reached the file.
    bool Close() {
        if (handle_ == nullptr)
            return true;
        return mmioClose(std::exchange(handle_, nullptr), MMIO_FHOPEN) == MMSYSERR_NOERROR;
    }

private:
    HMMIO handle_ = nullptr;
};

// A format the reading and the passes can use without dividing by zero or reading past it.
bool UsableFormat(const std::vector<uint8_t>& chunk) {
    if (chunk.size() < kWaveFormatSize)
        return false;
    WAVEFORMATEX header;
    std::memcpy(&header, chunk.data(), kWaveFormatSize);
    return FormatRecordSize(&header) <= chunk.size() && header.nSamplesPerSec != 0 &&
           header.nBlockAlign != 0;
}

}  // namespace

int CWave::Load(const char* path) {
    if (path == nullptr || *path == '\0')
        return 0;
    UniqueFd file = kivo::win::OpenRegularFile(path, O_RDONLY);
    if (!file) {
        ShowFileError(kFailedToOpen);
        return 0;
    }
    int result = 0;
    {
        MmioOnFile riff(file.get(), MMIO_READ);
        result = riff.get() != nullptr ? ReadRiff(riff.get()) : 0;
    }
    file.Reset();
    if (result == 0) {
        ShowFileError(kFailedToLoad);
        return 0;
    }
    return 1;
}

int CWave::ReadRiff(HMMIO file) {
    RemoveAllBlocks();
    if (mmioSeek(file, 0, SEEK_SET) != 0)
        return 0;
    MMCKINFO riff{};
    riff.fccType = kWave;
    if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR)
        return 0;
    MMCKINFO chunk{};
    chunk.ckid = kFmt;
    if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return 0;
    // Bounded by what the file holds, so a huge stored size allocates nothing.
    if (chunk.cksize > static_cast<uint32_t>(INT32_MAX))
        return 0;
    std::vector<uint8_t> format;
    const int32_t want = static_cast<int32_t>(chunk.cksize);
    for (int32_t got = 0; got < want;) {
        const int32_t step = std::min(want - got, kPortionBytes);
        format.resize(static_cast<size_t>(got + step));
        const int32_t n = mmioRead(file, reinterpret_cast<char*>(format.data() + got), step);
        if (n != step)
            return 0;
        got += n;
    }
    if (!UsableFormat(format))
        return 0;
    if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR)
        return 0;
    MMCKINFO data{};
    data.ckid = kData;
    if (mmioDescend(file, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return 0;
    m_pFormat = std::move(format);

    const WAVEFORMATEX header = FormatHeader();
    const int32_t align = header.nBlockAlign;
    // One block wider than a portion still makes a portion of its own.
    const int32_t portion = std::max(kPortionBytes / align * align, align);
    const uint16_t samplesPerBlock = WaveFormat::FromRecord(FormatRecord()).extraWord(0);
    int64_t remaining = data.cksize;
    while (remaining > 0) {
        // The last read stops at the chunk's end: what follows is not audio.
        const int32_t want = static_cast<int32_t>(std::min<int64_t>(portion, remaining));
        auto bytes = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(want));
        const int32_t n = mmioRead(file, reinterpret_cast<char*>(bytes.get()), want);
        if (n <= 0)
            break;
        const int32_t samples = header.wBitsPerSample != 0
                                    ? n * 8 / header.wBitsPerSample
                                    : n / align * static_cast<int32_t>(samplesPerBlock);
        m_blocks.AddTail(std::make_unique<CWaveBlock>(std::move(bytes), n, samples));
        DispatchPendingMessages();
        remaining -= n;
    }
    return 1;
}

int CWave::Save(const char* path) {
    if (path == nullptr || *path == '\0')
        return 0;
    // Written beside the destination and renamed over it once complete, so a failed save
    // leaves neither a partial file nor a lost old one.
    kivo::win::ReplacementFile file(path);
    if (!file) {
        ShowFileError(kFailedToCreate);
        return 0;
    }
    MmioOnFile riff(file.fd(), MMIO_WRITE);
    if (riff.get() == nullptr || WriteRiff(riff.get()) == 0 || !riff.Close() || !file.Commit()) {
        ShowFileError(kFailedToSave);
        return 0;
    }
    return 1;
}

int CWave::WriteRiff(HMMIO file) {
    if (!HasFormat())
        return 0;
    MMCKINFO riff{};
    riff.fccType = kWave;
    if (mmioCreateChunk(file, &riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR)
        return 0;

    const WAVEFORMATEX header = FormatHeader();
    const auto recordSize = static_cast<int32_t>(FormatRecordSize(&header));
    MMCKINFO chunk{};
    chunk.ckid = kFmt;
    if (mmioCreateChunk(file, &chunk, 0) != MMSYSERR_NOERROR ||
        mmioWrite(file, reinterpret_cast<const char*>(m_pFormat.data()), recordSize) !=
            recordSize ||
        mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) {
        return 0;
    }

    const uint32_t samples = static_cast<uint32_t>(GetSampleCount());
    chunk = {};
    chunk.ckid = kFact;
    if (mmioCreateChunk(file, &chunk, 0) != MMSYSERR_NOERROR ||
        mmioWrite(file, reinterpret_cast<const char*>(&samples), 4) != 4 ||
        mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR) {
        return 0;
    }

    chunk = {};
    chunk.ckid = kData;
    if (mmioCreateChunk(file, &chunk, 0) != MMSYSERR_NOERROR)
        return 0;
    for (const auto& block : m_blocks) {
        if (block->m_nBytes > 0 &&
            mmioWrite(file, reinterpret_cast<const char*>(block->m_pData.get()), block->m_nBytes) !=
                block->m_nBytes) {
            return 0;
        }
        DispatchPendingMessages();
    }
    if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR)
        return 0;
    return mmioAscend(file, &riff, 0) == MMSYSERR_NOERROR ? 1 : 0;
}

}  // namespace kivo::converter
