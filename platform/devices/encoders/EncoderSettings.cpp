#include "devices/encoders/EncoderSettings.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace devices {
namespace {

constexpr BYTE kTag[4] = {'R', 'Z', 'E', 'C'};
constexpr DWORD kVersion = 2;
constexpr std::size_t kVersion1Bytes = kEncoderSettingsBytes - 4;  // without the preset

void PutUnsigned(std::vector<BYTE>& bytes, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i)
    bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
}

std::uint64_t GetUnsigned(const BYTE* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i)
    value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
  return value;
}

}  // namespace

bool ValidEncoderSettings(const EncoderSettings& settings) {
  if (std::isnan(settings.quality) || settings.quality > 1.0) return false;
  return settings.bitRate >= 0 && settings.preset < 64;
}

std::vector<BYTE> SerializeEncoderSettings(const EncoderSettings& settings) {
  std::vector<BYTE> bytes(std::begin(kTag), std::end(kTag));
  PutUnsigned(bytes, kVersion, 4);
  PutUnsigned(bytes, std::bit_cast<std::uint64_t>(settings.quality), 8);
  PutUnsigned(bytes, static_cast<DWORD>(settings.keyFrameRate), 4);
  PutUnsigned(bytes, static_cast<DWORD>(settings.bitRate), 4);
  PutUnsigned(bytes, static_cast<DWORD>(settings.preset), 4);
  return bytes;
}

std::size_t EncoderSettingsLength(const BYTE* header) {
  if (header == nullptr || std::memcmp(header, kTag, sizeof kTag) != 0) return 0;
  switch (GetUnsigned(header + 4, 4)) {
    case 1:
      return kVersion1Bytes;
    case kVersion:
      return kEncoderSettingsBytes;
    default:
      return 0;
  }
}

const std::vector<std::string>& EncoderPresets(std::string_view codecName) {
  static const std::vector<std::string> kX264 = {"ultrafast", "superfast", "veryfast",
                                                 "faster",    "fast",      "medium",
                                                 "slow",      "slower",    "veryslow"};
  static const std::vector<std::string> kNone;
  return codecName == "libx264" ? kX264 : kNone;
}

std::optional<EncoderSettings> ParseEncoderSettings(const BYTE* bytes, std::size_t size) {
  if (bytes == nullptr || size < kEncoderSettingsHeaderBytes ||
      size != EncoderSettingsLength(bytes)) {
    return std::nullopt;
  }
  EncoderSettings settings;
  settings.quality = std::bit_cast<double>(GetUnsigned(bytes + 8, 8));
  settings.keyFrameRate = static_cast<LONG>(static_cast<DWORD>(GetUnsigned(bytes + 16, 4)));
  settings.bitRate = static_cast<LONG>(static_cast<DWORD>(GetUnsigned(bytes + 20, 4)));
  if (size == kEncoderSettingsBytes)
    settings.preset = static_cast<LONG>(static_cast<DWORD>(GetUnsigned(bytes + 24, 4)));
  if (!ValidEncoderSettings(settings)) return std::nullopt;
  return settings;
}

}  // namespace devices
