#pragma once
// What a media file holds, read with libavformat as any player would: its streams with their
// codecs and how many packets and seconds each carries.

#include <string>
#include <vector>

namespace rudozav_test {

struct TStreamProbe {
  bool video = false;
  std::string codec;  // libavcodec's name: "rawvideo", "mjpeg", "pcm_s16le" ...
  int packets = 0;
  double seconds = 0;  // from the first packet's start to the last packet's end
  int width = 0;
  int height = 0;
  int sampleRate = 0;
};

struct TMediaProbe {
  bool opened = false;
  std::string format;  // "avi" ...
  std::vector<TStreamProbe> streams;

  const TStreamProbe* Video() const;
  const TStreamProbe* Audio() const;
};

TMediaProbe ProbeMedia(const std::string& file);

}  // namespace rudozav_test
