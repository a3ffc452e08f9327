#include "platform/acm/sc4/encoder.h"

#include <algorithm>
#include <limits>

namespace kivo::sc4 {

namespace {

constexpr unsigned kNoCode = 16;

unsigned NearestCode(const ChannelState& state, int32_t target, unsigned banned,
                     Reconstruction& best) {
    unsigned bestCode = kNoCode;
    int64_t bestError = std::numeric_limits<int64_t>::max();
    for (unsigned code = 0; code < 16; ++code) {
        if (code == banned)
            continue;
        const Reconstruction r = Reconstruct(state, code);
        const int64_t diff = int64_t{target} - r.sample;
        if (diff * diff < bestError) {
            bestError = diff * diff;
            bestCode = code;
            best = r;
        }
    }
    return bestCode;
}

}  // namespace

std::optional<Encoder> Encoder::Create(const StreamFormat& format) {
    if (!IsSupported(format))
        return std::nullopt;
    return Encoder(format);
}

Encoder::Encoder(const StreamFormat& format) : format_(format) {
    const uint16_t marker = SyncMarker(format.samplesPerSec);
    marker_.fill(0);
    for (unsigned i = 0; i < 4; ++i)
        marker_[4 + i] = (marker >> (12 - 4 * i)) & 0x0F;
}

unsigned Encoder::BannedCode(std::span<const unsigned, kCodesPerBlock> codes, size_t k) const {
    // Whether the codes before k end with all but the last nibble of `pattern`.
    auto completes = [&](std::span<const unsigned> pattern) {
        return k + 1 >= pattern.size() && std::equal(pattern.begin(), pattern.end() - 1,
                                                     codes.begin() + (k + 1 - pattern.size()));
    };
    // "m m" at the block start; "00 00 m m" ending at any byte of the block. The trailer 0x55
    // keeps a marker from spanning two blocks.
    const std::span<const unsigned> full(marker_);
    if ((k == 3 && completes(full.last(4))) || (k % 2 == 1 && completes(full)))
        return marker_.back();
    return kNoCode;
}

void Encoder::EncodeBlock(std::span<const int16_t> pcm, std::span<uint8_t, kBlockBytes> out,
                          std::span<int16_t, kCodesPerBlock> decoded) {
    std::array<unsigned, kCodesPerBlock> codes{};
    for (size_t k = 0; k < kCodesPerBlock; ++k) {
        const unsigned banned = BannedCode(codes, k);
        // Mono: every nibble is channel 0; stereo: high nibbles left, low nibbles right.
        ChannelState& state = channels_[format_.channels == 2 ? k % 2 : 0];
        const int32_t target = k < pcm.size() ? pcm[k] : 0;
        Reconstruction r{};
        codes[k] = NearestCode(state, target, banned, r);
        Advance(state, codes[k], r);
        decoded[k] = r.sample;
    }
    for (size_t n = 0; n < kCodeBytes; ++n)
        out[n] = static_cast<uint8_t>((codes[2 * n] << 4) | codes[2 * n + 1]);
    out[kCodeBytes] = kTrailer;
}

EncodeResult Encoder::Encode(std::span<const int16_t> pcm, std::span<uint8_t> out, bool last) {
    EncodeResult r;
    std::array<int16_t, kCodesPerBlock> decoded;
    while (out.size() - r.bytes >= kBlockBytes) {
        const size_t left = pcm.size() - r.consumed;
        if (left == 0 || (left < kCodesPerBlock && !last))
            break;
        const size_t take = std::min(left, kCodesPerBlock);
        EncodeBlock(pcm.subspan(r.consumed, take),
                    std::span<uint8_t, kBlockBytes>(out.subspan(r.bytes, kBlockBytes)), decoded);
        r.consumed += take;
        r.bytes += kBlockBytes;
    }
    return r;
}

}  // namespace kivo::sc4
