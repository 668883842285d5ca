#pragma once
// The settings of one compressor, and their bytes in a stream (IPersistStream): a tag "RZEC", a
// version, then each value little-endian. Any thread (values only).

#include <optional>
#include <vector>

#include "com/Types.h"

namespace devices {

struct EncoderSettings {
  // 0.0 (smallest) to 1.0 (best); negative: the encoder's default.
  double quality = -1.0;
  // Frames from one key frame to the next; 0: only the first; negative: the encoder's default.
  LONG keyFrameRate = -1;
  // Bits per second; 0: quality (or the encoder's default) decides.
  LONG bitRate = 0;

  bool operator==(const EncoderSettings&) const = default;
};

inline constexpr std::size_t kEncoderSettingsBytes = 4 + 4 + 8 + 4 + 4;

std::vector<BYTE> SerializeEncoderSettings(const EncoderSettings& settings);
// nullopt for bytes of another tag or version, or values out of range.
std::optional<EncoderSettings> ParseEncoderSettings(const BYTE* bytes, std::size_t size);

// True for values a compressor can take: quality negative or in [0, 1], bit rate not negative.
bool ValidEncoderSettings(const EncoderSettings& settings);

}  // namespace devices
