#pragma once
// Every setting of a compressor in one interface, for its property page: what IAMVideoCompression
// carries (quality, key frames) and what it does not (bit rate, preset), with what the encoder
// makes of them. The settings are the same that IPersistStream saves and loads.
//
// Threads: application thread.

#include <string>
#include <vector>

#include "com/Unknown.h"
#include "devices/encoders/EncoderSettings.h"

namespace devices {

struct EncoderTraits {
  bool video = false;
  bool lossless = false;             // quality and bit rate mean nothing
  bool temporal = false;             // key frames matter
  std::vector<std::string> presets;  // empty: the encoder has none
};

struct IEncoderOptions : IUnknown {
  static constexpr IID iid = MakeGuid("0E4A7C3B-6D21-4B8E-A5F9-2C71D83E9B04");
  virtual HRESULT GetTraits(EncoderTraits* traits) = 0;
  virtual HRESULT GetSettings(EncoderSettings* settings) = 0;
  // E_INVALIDARG for values ValidEncoderSettings refuses or a preset the encoder lacks.
  virtual HRESULT SetSettings(const EncoderSettings& settings) = 0;
};

inline constexpr IID IID_IEncoderOptions = IEncoderOptions::iid;

}  // namespace devices
