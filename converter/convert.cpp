#include "converter/acm_handles.h"
#include "converter/codec_lookup.h"
#include "converter/wave.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kivo::converter {

namespace {

// Room for what a codec may leave untaken beyond one input block; a codec that keeps
// taking nothing runs into it and fails the pass.
constexpr uint32_t kLeftoverSlack = 65536;

// The one stream header of a pass, prepared for the current source buffer.
class PreparedHeader {
public:
    explicit PreparedHeader(HACMSTREAM stream) : stream_(stream) {}
    ~PreparedHeader() { Unprepare(); }
    PreparedHeader(const PreparedHeader&) = delete;
    PreparedHeader& operator=(const PreparedHeader&) = delete;

    bool Prepare(uint8_t* source, uint32_t sourceLength, uint8_t* destination,
                 uint32_t destinationLength) {
        Unprepare();
        header_ = {};
        header_.cbStruct = kAcmStreamHeaderSize;
        header_.pbSrc = source;
        header_.cbSrcLength = sourceLength;
        header_.pbDst = destination;
        header_.cbDstLength = destinationLength;
        prepared_ = acmStreamPrepareHeader(stream_, &header_, 0) == MMSYSERR_NOERROR;
        return prepared_;
    }
    void Unprepare() {
        if (prepared_)
            acmStreamUnprepareHeader(stream_, &header_, 0);
        prepared_ = false;
    }
    ACMSTREAMHEADER& get() { return header_; }

private:
    HACMSTREAM stream_;
    ACMSTREAMHEADER header_{};
    bool prepared_ = false;
};

}  // namespace

int CWave::Convert(ConvertProgressCallback callback, int32_t toPcm, uint32_t user) {
    // Without a rate there is no destination size and no sample scaling.
    if (!HasFormat() || FormatHeader().nSamplesPerSec == 0)
        return 0;
    const auto driverId = FindDriverForTag(m_wFormatTag);
    if (!driverId)
        return 0;
    const auto target = FirstFormatOfTag(*driverId, toPcm != 0 ? WAVE_FORMAT_PCM : m_wFormatTag);
    if (!target || target->samplesPerSec() == 0)
        return 0;
    AcmDriverHandle driver;
    if (driver.Open(*driverId) != MMSYSERR_NOERROR)
        return 0;
    AcmStreamHandle stream;
    if (stream.Open(driver.get(), FormatRecord(), target->record()) != MMSYSERR_NOERROR)
        return 0;
    if (m_blocks.IsEmpty())
        return 1;

    const uint32_t sourceRate = FormatHeader().nSamplesPerSec;
    const uint32_t firstSamples = static_cast<uint32_t>(m_blocks.GetHead().m_nSamples);
    // Wide enough for any stored sample count and rate, then bounded to what a block can hold.
    const uint64_t destinationSize =
        uint64_t{firstSamples} * target->avgBytesPerSec() / sourceRate * 3 / 2;
    if (destinationSize == 0 || destinationSize > INT32_MAX)
        return 0;
    std::vector<uint8_t> destination(static_cast<size_t>(destinationSize));

    CWaveBlockList result;
    uint32_t total = 0;
    uint32_t largestBlock = 0;
    for (const auto& block : m_blocks) {
        total += static_cast<uint32_t>(block->m_nBytes);
        largestBlock = std::max(largestBlock, static_cast<uint32_t>(block->m_nBytes));
    }
    const uint64_t leftoverLimit = uint64_t{largestBlock} + kLeftoverSlack;
    const int32_t pass = toPcm != 0 ? 1 : 2;
    uint32_t done = 0;

    std::vector<uint8_t> source;
    bool haveSource = false;
    uint32_t leftover = 0;
    PreparedHeader header(stream.get());
    for (const auto& block : m_blocks) {
        const uint32_t blockBytes = static_cast<uint32_t>(std::max(block->m_nBytes, 0));
        const auto outSamples =
            static_cast<uint32_t>(uint64_t{static_cast<uint32_t>(block->m_nSamples)} *
                                  target->samplesPerSec() / sourceRate);
        const uint32_t need = leftover + blockBytes;
        if (!haveSource || need != source.size()) {
            // The leftover sits at the end of the old buffer; keep it across the move.
            std::vector<uint8_t> carried(source.end() - leftover, source.end());
            header.Unprepare();
            source.assign(std::max<uint32_t>(need, 1), 0);
            std::copy(carried.begin(), carried.end(), source.begin());
            haveSource = true;
            if (!header.Prepare(source.data(), need, destination.data(),
                                static_cast<uint32_t>(destination.size()))) {
                return 0;
            }
        } else if (leftover > 0) {
            std::memmove(source.data(), source.data() + source.size() - leftover, leftover);
        }
        if (blockBytes > 0)
            std::memcpy(source.data() + leftover, block->m_pData.get(), blockBytes);

        if (callback != nullptr) {
            done += blockBytes;
            const uint64_t percent = total == 0 ? 100 : uint64_t{done} * 100 / total;
            if (callback(pass, static_cast<int32_t>(percent), user) != 0)
                return 0;
        }

        ACMSTREAMHEADER& h = header.get();
        if (acmStreamConvert(stream.get(), &h, 0) != MMSYSERR_NOERROR)
            return 0;
        leftover = need - std::min(h.cbSrcLengthUsed, need);
        if (leftover > leftoverLimit)
            return 0;
        if (h.cbDstLengthUsed > 0) {
            auto bytes = std::make_unique_for_overwrite<uint8_t[]>(h.cbDstLengthUsed);
            std::memcpy(bytes.get(), destination.data(), h.cbDstLengthUsed);
            result.AddTail(std::make_unique<CWaveBlock>(std::move(bytes),
                                                        static_cast<int32_t>(h.cbDstLengthUsed),
                                                        static_cast<int32_t>(outSamples)));
        }
        DispatchPendingMessages();
    }
    header.Unprepare();
    stream.Close();
    driver.Close();

    RemoveAllBlocks();
    while (!result.IsEmpty()) {
        m_blocks.AddTail(result.RemoveHead());
        DispatchPendingMessages();
    }
    m_pFormat.assign(target->bytes().begin(), target->bytes().end());
    return 1;
}

}  // namespace kivo::converter
