#pragma once
// The one mapping between the framework's media types and FFmpeg's codec parameters.
//
// Video (FORMAT_VideoInfo or FORMAT_VideoInfo2): biCompression is the codec tag (BI_RGB for
// uncompressed RGB); the codec follows from the AVI FourCC table of libavformat (YUY2, I420 ...
// are rawvideo, MJPG is MJPEG, dvsd is DV, H264, FFV1, HFYU, XVID/FMP4 ...), the pixel format from
// the subtype for uncompressed pictures; width, height (without its sign), bits per pixel, the
// frame interval as time base, and the bytes after the bitmap header as codec data.
// Interleaved DV (MEDIATYPE_Interleaved, dvsd or dv25) is carried as its DV video: the frames keep
// their sound blocks.
// Audio (FORMAT_WaveFormatEx): wFormatTag, through the WAV tag table (PCM by its sample size,
// IEEE float, compressed tags), rate, channels, bits, block alignment, byte rate, and the cbSize
// bytes after the structure as codec data.

#include <optional>

#include "av/AvOwners.h"
#include "dshow/MediaType.h"

namespace av {

// Fills parameters (a fresh set, e.g. an AVStream's codecpar) for the media type; its time base
// (a frame's interval for video, one sample for audio) goes to *timeBase when not null. False
// for a type FFmpeg cannot carry (no format block, unknown tag, RGB with a palette or masks).
bool ToCodecParameters(const AM_MEDIA_TYPE& type, AVCodecParameters& parameters,
                       AVRational* timeBase = nullptr);

// The media type for the parameters; frameRate sets a video type's frame interval ({0, 1} for
// unknown). nullopt for parameters that no FourCC or WAV tag names.
std::optional<MediaType> ToMediaType(const AVCodecParameters& parameters, AVRational frameRate);

}  // namespace av
