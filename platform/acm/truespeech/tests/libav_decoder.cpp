#include "platform/acm/truespeech/tests/libav_decoder.h"

#include "platform/acm/truespeech/tables.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cstring>
#include <stdexcept>

namespace kivo::truespeech {

void LibavDecoder::ContextFree::operator()(AVCodecContext* c) const {
    avcodec_free_context(&c);
}
void LibavDecoder::PacketFree::operator()(AVPacket* p) const {
    av_packet_free(&p);
}
void LibavDecoder::FrameFree::operator()(AVFrame* f) const {
    av_frame_free(&f);
}

LibavDecoder::LibavDecoder() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_TRUESPEECH);
    if (codec == nullptr) {
        throw std::runtime_error("libavcodec has no TrueSpeech decoder");
    }
    context_.reset(avcodec_alloc_context3(codec));
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!context_ || !packet_ || !frame_) {
        throw std::runtime_error("out of memory for the TrueSpeech decoder");
    }
    context_->sample_rate = 8000;
    av_channel_layout_default(&context_->ch_layout, 1);
    context_->block_align = kFrameBytes;
    if (avcodec_open2(context_.get(), codec, nullptr) < 0) {
        throw std::runtime_error("libavcodec cannot open the TrueSpeech decoder");
    }
}

LibavDecoder::~LibavDecoder() = default;

bool LibavDecoder::Decode(std::span<const uint8_t> bytes, std::vector<int16_t>& out) {
    const size_t whole = bytes.size() / kFrameBytes * kFrameBytes;
    if (whole == 0) {
        return true;
    }
    if (av_new_packet(packet_.get(), static_cast<int>(whole)) < 0) {
        return false;
    }
    std::memcpy(packet_->data, bytes.data(), whole);
    const int sent = avcodec_send_packet(context_.get(), packet_.get());
    av_packet_unref(packet_.get());
    if (sent < 0) {
        return false;
    }
    for (;;) {
        const int got = avcodec_receive_frame(context_.get(), frame_.get());
        if (got == AVERROR(EAGAIN)) {
            return true;
        }
        if (got < 0 || frame_->format != AV_SAMPLE_FMT_S16) {
            av_frame_unref(frame_.get());
            return false;
        }
        const auto* samples = reinterpret_cast<const int16_t*>(frame_->data[0]);
        out.insert(out.end(), samples, samples + frame_->nb_samples);
        av_frame_unref(frame_.get());
    }
}

}  // namespace kivo::truespeech
