#pragma once

#include "platform/acm/sc4/channel.h"
#include "platform/acm/sc4/format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kivo::sc4 {

struct EncodeResult {
    size_t consumed = 0;  // 16-bit input values used up
    size_t bytes = 0;     // output bytes written, whole blocks
};

// Encodes PCM by trying every code against an exact copy of the decoder's state and keeping
// the one whose decoded sample is nearest. Blocks carry no headers, no block starts with bytes
// that a decoder would take for a sync header, and no block holds the rate's 4-byte marker at
// any byte offset, where a reader that splits the stream at markers would cut it.
class Encoder {
public:
    static std::optional<Encoder> Create(const StreamFormat& format);

    // One block from up to one block of interleaved samples; missing samples are silence.
    // `decoded` receives what a decoder will output for the block.
    void EncodeBlock(std::span<const int16_t> pcm, std::span<uint8_t, kBlockBytes> out,
                     std::span<int16_t, kCodesPerBlock> decoded);

    // Encodes whole blocks while input and output last; with `last` a final partial block is
    // filled with silence.
    EncodeResult Encode(std::span<const int16_t> pcm, std::span<uint8_t> out, bool last);

    const StreamFormat& format() const { return format_; }

private:
    explicit Encoder(const StreamFormat& format);

    // The code that must not follow codes[0..k-1] at position k, or none.
    unsigned BannedCode(std::span<const unsigned, kCodesPerBlock> codes, size_t k) const;

    StreamFormat format_;
    // The nibbles of "00 00 m m", most significant first; its last four are "m m".
    std::array<unsigned, 8> marker_;
    std::array<ChannelState, 2> channels_{};
};

}  // namespace kivo::sc4
