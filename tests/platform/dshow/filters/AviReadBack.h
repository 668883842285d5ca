#pragma once
// Reads an AVI file back with libavformat's demuxer, as a player would, for the multiplexer
// tests.

#include <string>
#include <vector>

#include "av/AvOwners.h"

namespace filter_test {

struct AviStreamReadBack {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  AVCodecID codec = AV_CODEC_ID_NONE;
  unsigned tag = 0;
  int width = 0;
  int height = 0;
  int64_t frames = 0;        // the stream header's length (empty chunks included)
  int64_t indexEntries = 0;  // what the demuxer found in the index
  int packets = 0;           // packets read that carry bytes
  int64_t bytes = 0;
  double seconds = 0;  // the stream's duration
};

struct AviReadBack {
  bool opened = false;
  std::vector<AviStreamReadBack> streams;
};

// readPackets false: only the headers and the index.
AviReadBack ReadAvi(const std::string& path, bool readPackets = true);

}  // namespace filter_test
