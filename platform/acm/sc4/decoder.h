#pragma once

#include "platform/acm/sc4/channel.h"
#include "platform/acm/sc4/format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kivo::sc4 {

struct DecodeResult {
    size_t consumed = 0;   // input bytes used up; the rest must be offered again
    size_t samples = 0;    // 16-bit values written, channels interleaved
    size_t badBlocks = 0;  // blocks whose trailer was wrong; each starts a resynchronisation
    size_t skipped = 0;    // bytes dropped while resynchronising
    // The most bytes dropped in a row, counted from the last block decoded, possibly in an
    // earlier call: how long sync was lost.
    size_t longestSkipRun = 0;
};

// Decodes a continuous SC4 byte stream that may arrive in chunks of any size.
// Each block may be preceded by a sync header (5 bytes after 00 00 m m, 3 bytes after m m,
// where m m is the rate's marker). A block whose trailer is wrong is dropped without touching
// the channel states, and decoding resumes at the next position that holds two valid blocks.
class Decoder {
public:
    static std::optional<Decoder> Create(const StreamFormat& format);

    // Decodes whole blocks while input and output last. With `last` the input ends the
    // stream: a final partial block gives the samples of its code bytes, and bytes that
    // cannot make a block are dropped. Output room is needed for a whole block at a time.
    DecodeResult Decode(std::span<const uint8_t> in, std::span<int16_t> out, bool last);

    const StreamFormat& format() const { return format_; }

private:
    explicit Decoder(const StreamFormat& format);

    enum class FrameKind { kValid, kBadTrailer, kShort };
    struct Frame {
        FrameKind kind;
        size_t codes;  // offset of the first code byte
    };
    Frame FrameAt(std::span<const uint8_t> in, size_t pos, bool last) const;
    void DecodeBytes(std::span<const uint8_t> codes, int16_t* out);
    void Skip(DecodeResult& r, size_t bytes);

    StreamFormat format_;
    uint16_t marker_;
    bool resyncing_ = false;
    size_t skippedRun_ = 0;  // bytes dropped since the last block decoded
    std::array<ChannelState, 2> channels_{};
    void (*kernel_)(ChannelState&, std::span<const uint8_t>, int16_t*, size_t);
};

}  // namespace kivo::sc4
