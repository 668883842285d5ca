#include "devices/encoders/EncoderCatalog.h"

#include <string>

#include "com/Guid.h"

namespace devices {

const std::vector<EncoderEntry>& KnownEncoders() {
  static const std::vector<EncoderEntry> kEncoders = {
      // Motion JPEG in 4:2:2 (what capture cards write) or 4:2:0, full-range YUV.
      {"mjpeg",
       "MJPEG (FFmpeg)",
       EncoderKind::kVideo,
       {"mjpeg"},
       MakeFourCC('M', 'J', 'P', 'G'),
       {AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ420P}},
      {"ffv1",
       "FFV1 lossless (FFmpeg)",
       EncoderKind::kVideo,
       {"ffv1"},
       MakeFourCC('F', 'F', 'V', '1'),
       {},
       true},
      {"huffyuv",
       "HuffYUV lossless (FFmpeg)",
       EncoderKind::kVideo,
       {"huffyuv"},
       MakeFourCC('H', 'F', 'Y', 'U'),
       {},
       true},
      // MPEG-4 Visual (the simple and advanced simple profiles) under the FourCC most decoders know
      // it by.
      {"mpeg4",
       "MPEG-4 Visual (FFmpeg)",
       EncoderKind::kVideo,
       {"mpeg4", "libxvid"},
       MakeFourCC('X', 'V', 'I', 'D'),
       {AV_PIX_FMT_YUV420P},
       false,
       true},
      // 4:2:0 only: the profile every H.264 decoder plays.
      {"h264",
       "H.264 (FFmpeg)",
       EncoderKind::kVideo,
       {"libx264", "libopenh264"},
       MakeFourCC('H', '2', '6', '4'),
       {AV_PIX_FMT_YUV420P},
       false,
       true},
      {"pcm_u8", "PCM 8-bit (FFmpeg)", EncoderKind::kAudio, {"pcm_u8"}, 0x0001, {}, true},
      {"pcm_s16le", "PCM 16-bit (FFmpeg)", EncoderKind::kAudio, {"pcm_s16le"}, 0x0001, {}, true},
      {"adpcm_ima", "IMA ADPCM (FFmpeg)", EncoderKind::kAudio, {"adpcm_ima_wav"}, 0x0011},
      {"adpcm_ms", "Microsoft ADPCM (FFmpeg)", EncoderKind::kAudio, {"adpcm_ms"}, 0x0002},
      // Named without "MPEG Layer-3": the component leaves compressors so named out of its list.
      {"mp3", "MP3 LAME (FFmpeg)", EncoderKind::kAudio, {"libmp3lame"}, 0x0055},
  };
  return kEncoders;
}

namespace {

std::optional<AvailableEncoder> Available(const EncoderEntry& entry) {
  for (std::string_view name : entry.encoderNames) {
    const AVCodec* codec = avcodec_find_encoder_by_name(std::string(name).c_str());
    if (codec != nullptr) return AvailableEncoder{&entry, codec};
  }
  return std::nullopt;
}

}  // namespace

std::vector<AvailableEncoder> AvailableEncoders(EncoderKind kind) {
  std::vector<AvailableEncoder> encoders;
  for (const EncoderEntry& entry : KnownEncoders()) {
    if (entry.kind != kind) continue;
    if (auto available = Available(entry)) encoders.push_back(*available);
  }
  return encoders;
}

std::optional<AvailableEncoder> FindAvailableEncoder(std::string_view key) {
  for (const EncoderEntry& entry : KnownEncoders()) {
    if (entry.key == key) return Available(entry);
  }
  return std::nullopt;
}

}  // namespace devices
