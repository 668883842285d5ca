#pragma once
// Media files for the playback tests, written with libavcodec and libavformat: a moving picture
// and a tone, in a chosen container and codecs.

#include <string>

#include "av/AvOwners.h"

namespace filter_test {

struct MediaClip {
  const char* container = "avi";        // a libavformat muxer name
  AVCodecID video = AV_CODEC_ID_MJPEG;  // AV_CODEC_ID_NONE for none
  int frames = 20;
  int framesPerSecond = 25;
  int width = 64;
  int height = 48;
  int keyFrameEvery = 1;                    // for codecs with inter frames
  AVCodecID audio = AV_CODEC_ID_PCM_S16LE;  // AV_CODEC_ID_NONE for none
  int sampleRate = 8000;                    // or the nearest rate the encoder takes
  // false: the file ends without its trailer (no index, header counts unwritten), as a
  // recording whose process was killed.
  bool finish = true;
};

// Writes the file; false with a reason on standard error when it cannot.
bool WriteMediaFile(const std::string& path, const MediaClip& clip);

// Whether this machine's libavcodec has encoders for the clip's codecs.
bool CanWriteMediaFile(const MediaClip& clip);

}  // namespace filter_test
