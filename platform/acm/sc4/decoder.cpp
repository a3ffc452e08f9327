#include "platform/acm/sc4/decoder.h"

#include "platform/acm/sc4/decode_kernel.h"

#include <algorithm>

namespace kivo::sc4 {

std::optional<Decoder> Decoder::Create(const StreamFormat& format) {
    if (!IsSupported(format))
        return std::nullopt;
    return Decoder(format);
}

Decoder::Decoder(const StreamFormat& format)
    : format_(format),
      marker_(SyncMarker(format.samplesPerSec)),
      kernel_(DecodeKernels().front().run) {}

Decoder::Frame Decoder::FrameAt(std::span<const uint8_t> in, size_t pos, bool last) const {
    const size_t left = in.size() - pos;
    // The header test needs four bytes unless the stream ends before them.
    if (left < 4 && !last)
        return {FrameKind::kShort, pos};
    uint32_t head = 0;
    if (left >= 4) {
        head = (uint32_t{in[pos]} << 24) | (uint32_t{in[pos + 1]} << 16) |
               (uint32_t{in[pos + 2]} << 8) | in[pos + 3];
    }
    size_t codes = pos;
    if (head == marker_) {
        codes += 5;
    } else if ((head >> 16) == marker_) {
        codes += 3;
    }
    if (codes + kBlockBytes > in.size())
        return {FrameKind::kShort, std::min(codes, in.size())};
    return {in[codes + kCodeBytes] == kTrailer ? FrameKind::kValid : FrameKind::kBadTrailer, codes};
}

void Decoder::DecodeBytes(std::span<const uint8_t> codes, int16_t* out) {
    // The high nibbles, then the low ones: in mono one run of codes in byte order, in stereo
    // one run per channel.
    std::array<uint8_t, kCodesPerBlock> nibbles;
    const size_t n = std::min(codes.size(), kCodeBytes);
    if (format_.channels == 1) {
        for (size_t i = 0; i < n; ++i) {
            nibbles[2 * i] = codes[i] >> 4;
            nibbles[2 * i + 1] = codes[i] & 0x0F;
        }
        kernel_(channels_[0], std::span(nibbles).first(2 * n), out, 1);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        nibbles[i] = codes[i] >> 4;
        nibbles[kCodeBytes + i] = codes[i] & 0x0F;
    }
    kernel_(channels_[0], std::span(nibbles).first(n), out, 2);
    kernel_(channels_[1], std::span(nibbles).subspan(kCodeBytes, n), out + 1, 2);
}

void Decoder::Skip(DecodeResult& r, size_t bytes) {
    r.skipped += bytes;
    skippedRun_ += bytes;
    r.longestSkipRun = std::max(r.longestSkipRun, skippedRun_);
}

DecodeResult Decoder::Decode(std::span<const uint8_t> in, std::span<int16_t> out, bool last) {
    DecodeResult r;
    size_t pos = 0;
    while (pos < in.size()) {
        if (resyncing_) {
            // Look for a block whose successor is a block too, so that a stray 0x55 in the
            // code bytes does not count as a trailer.
            size_t candidate = pos;
            bool found = false;
            bool wait = false;
            for (; candidate < in.size(); ++candidate) {
                const Frame frame = FrameAt(in, candidate, last);
                if (frame.kind == FrameKind::kShort) {
                    wait = !last;
                    break;
                }
                if (frame.kind == FrameKind::kBadTrailer)
                    continue;
                const Frame next = FrameAt(in, frame.codes + kBlockBytes, last);
                if (next.kind == FrameKind::kValid || (next.kind == FrameKind::kShort && last)) {
                    found = true;
                    break;
                }
                if (next.kind == FrameKind::kShort) {
                    wait = true;
                    break;
                }
            }
            if (!found) {
                const size_t end = wait ? candidate : in.size();
                Skip(r, end - pos);
                r.consumed = end;
                return r;
            }
            Skip(r, candidate - pos);
            pos = candidate;
            resyncing_ = false;
        }

        const Frame frame = FrameAt(in, pos, last);
        if (frame.kind == FrameKind::kBadTrailer) {
            ++r.badBlocks;
            Skip(r, 1);
            ++pos;
            resyncing_ = true;
            continue;
        }
        const size_t codeBytes =
            frame.kind == FrameKind::kValid ? kCodeBytes : in.size() - frame.codes;
        if (frame.kind == FrameKind::kShort && !last)
            break;
        if (out.size() - r.samples < 2 * codeBytes)
            break;
        DecodeBytes(in.subspan(frame.codes, codeBytes), out.data() + r.samples);
        r.samples += 2 * codeBytes;
        skippedRun_ = 0;
        pos = frame.codes + codeBytes + (frame.kind == FrameKind::kValid ? 1 : 0);
    }
    r.consumed = pos;
    return r;
}

}  // namespace kivo::sc4
