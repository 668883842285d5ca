#pragma once
// Owners of FFmpeg objects: each frees its object with the matching libav* call, so that no
// path (an early return, a failed open) leaks one.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace av {

struct CodecContextFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct BufferUnref {
  void operator()(AVBufferRef* buffer) const { av_buffer_unref(&buffer); }
};
struct SwsContextFree {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct SwrContextFree {
  void operator()(SwrContext* context) const { swr_free(&context); }
};
// An AVIOContext made with avio_alloc_context: its buffer (which libavformat may have replaced)
// goes with it.
struct IoContextFree {
  void operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};
// A demuxer opened with avformat_open_input. Its custom AVIOContext, if any, is owned apart.
struct InputFormatClose {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// A muxer made with avformat_alloc_output_context2. Its AVIOContext is owned apart (an IoPtr
// declared before it, so that the context goes first).
struct OutputFormatFree {
  void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using BufferPtr = std::unique_ptr<AVBufferRef, BufferUnref>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFree>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextFree>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatClose>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatFree>;

}  // namespace av
