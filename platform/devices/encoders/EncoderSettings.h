#pragma once
// The settings of one compressor, and their bytes in a stream (IPersistStream): a tag "RZEC", a
// version, then each value little-endian. Version 2 adds the preset; bytes of version 1 still
// load, with the encoder's default preset. Any thread (values only).

#include <optional>
#include <string>
#include <string_view>
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
  // Index into EncoderPresets() of the encoder; negative: the platform's choice.
  LONG preset = -1;

  bool operator==(const EncoderSettings&) const = default;
};

inline constexpr std::size_t kEncoderSettingsHeaderBytes = 4 + 4;  // tag and version
inline constexpr std::size_t kEncoderSettingsBytes = kEncoderSettingsHeaderBytes + 8 + 4 + 4 + 4;

std::vector<BYTE> SerializeEncoderSettings(const EncoderSettings& settings);
// The whole length of the settings whose header (kEncoderSettingsHeaderBytes) this is; 0 for a
// header of another tag or an unknown version.
std::size_t EncoderSettingsLength(const BYTE* header);
// nullopt for bytes of another tag or version, or values out of range.
std::optional<EncoderSettings> ParseEncoderSettings(const BYTE* bytes, std::size_t size);

// The presets of an encoder by libavcodec's name, fastest first; empty when it has none.
const std::vector<std::string>& EncoderPresets(std::string_view codecName);

// True for values a compressor can take: quality negative or in [0, 1], bit rate not negative.
bool ValidEncoderSettings(const EncoderSettings& settings);

}  // namespace devices
