#pragma once

// Decoding through libavcodec, so that what the suite writes is checked by an outside decoder.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace kivo::truespeech {

class LibavDecoder {
public:
    // Throws std::runtime_error when libavcodec has no usable decoder.
    LibavDecoder();
    ~LibavDecoder();
    LibavDecoder(const LibavDecoder&) = delete;
    LibavDecoder& operator=(const LibavDecoder&) = delete;

    // Decodes every whole frame; a partial tail is ignored. Appends to out; false on a codec error.
    bool Decode(std::span<const uint8_t> bytes, std::vector<int16_t>& out);

private:
    struct ContextFree {
        void operator()(AVCodecContext* c) const;
    };
    struct PacketFree {
        void operator()(AVPacket* p) const;
    };
    struct FrameFree {
        void operator()(AVFrame* f) const;
    };
    std::unique_ptr<AVCodecContext, ContextFree> context_;
    std::unique_ptr<AVPacket, PacketFree> packet_;
    std::unique_ptr<AVFrame, FrameFree> frame_;
};

}  // namespace kivo::truespeech
