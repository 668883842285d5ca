#pragma once
// What the libavcodec decoders share: the decoder for a media type, opened with the type's codec
// data, taking packet times in REFERENCE_TIME units, and the send-and-receive step.
//
// Threads: one thread at a time (the decoder's streaming thread, or the application's thread
// while the filter is stopped or flushing).

#include <functional>
#include <optional>

#include "av/AvOwners.h"
#include "dshow/MediaType.h"

namespace dshow {

// The codec of a compressed type that libavcodec decodes; nullopt for uncompressed types (raw
// pictures, 16-bit PCM) and types without a decoder here.
std::optional<AVCodecID> DecodableCodec(const AM_MEDIA_TYPE& type);

// An opened decoder for the type, or null.
av::CodecContextPtr OpenDecoder(const AM_MEDIA_TYPE& type);

// Sends one packet (null data: drain what the decoder holds back) stamped with start (or no time
// when null), then hands every frame the decoder gives to take. False when the decoder refused
// the packet (a damaged one: it is skipped).
bool DecodePacket(AVCodecContext& context, AVPacket& packet, AVFrame& frame, const BYTE* data,
                  size_t size, const REFERENCE_TIME* start,
                  const std::function<void(AVFrame&)>& take);

}  // namespace dshow
