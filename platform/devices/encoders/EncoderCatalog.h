#pragma once
// The FFmpeg encoders offered as compressors: each one an AVI can carry, with the FourCC (video)
// or WAV format tag (audio) it is written under, its friendly name and a key that names it in
// display names. Only the encoders this machine's libavcodec has are listed.
// Any thread: the table is constant, libavcodec's lookups are thread-safe.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "av/AvOwners.h"
#include "com/Types.h"

namespace devices {

enum class EncoderKind { kVideo, kAudio };

struct EncoderEntry {
  std::string_view key;           // stable and unique: "mjpeg", "h264", "mp3" ...
  std::string_view friendlyName;  // "MJPEG (FFmpeg)"
  EncoderKind kind;
  // libavcodec's encoder names in order of preference (the first one present is used).
  std::vector<std::string_view> encoderNames;
  DWORD tag;  // FourCC (video) or WAV format tag (audio)
  // The pixel formats to encode in, best first; empty: the encoder's own list.
  std::vector<AVPixelFormat> pixelFormats;
  bool lossless = false;  // quality and data rate have no meaning
  bool temporal = false;  // frames depend on earlier ones (key frames matter)
};

// Every encoder the compressors know, present or not, video before audio.
const std::vector<EncoderEntry>& KnownEncoders();

struct AvailableEncoder {
  const EncoderEntry* entry = nullptr;
  const AVCodec* codec = nullptr;
};

// The known encoders of the kind that libavcodec has, in the table's order.
std::vector<AvailableEncoder> AvailableEncoders(EncoderKind kind);

// The available encoder with that key, if present.
std::optional<AvailableEncoder> FindAvailableEncoder(std::string_view key);

}  // namespace devices
