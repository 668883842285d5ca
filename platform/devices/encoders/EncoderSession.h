#pragma once
// One open libavcodec encoder for one stream of a compressor: it takes the input samples'
// bytes (uncompressed pictures, or PCM sound) with their times, converts them to what the
// encoder takes (PictureConverter, SoundBuffer), encodes them with FFmpeg's own threads, and hands
// each packet on with its key-frame flag and the times of the input it came from. It also gives
// the output media type: the FourCC or WAV tag of the compressor, the bitmap header or
// WAVEFORMATEX with the encoder's codec data.
//
// Video frames keep their presentation order (no B-frames), as an AVI needs; packets come later
// than their frames when the encoder works ahead, and Finish hands out what it still holds.
// Threads: one thread at a time (the streaming thread while streaming).

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "av/AvOwners.h"
#include "devices/encoders/EncoderCatalog.h"
#include "devices/encoders/EncoderSettings.h"
#include "dshow/MediaType.h"

namespace devices {

class PictureConverter;
class SoundBuffer;

// The defaults a compressor reports and uses for negative settings.
inline constexpr double kDefaultEncoderQuality = 0.75;
inline constexpr LONG kDefaultKeyFrameRate = 30;

struct EncodedPacket {
  const BYTE* data = nullptr;
  std::size_t size = 0;
  bool keyFrame = false;
  bool hasTimes = false;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
};

// Takes one packet; a failure ends the encoding with that result.
using PacketSink = std::function<HRESULT(const EncodedPacket& packet)>;

class EncoderSession {
 public:
  // Null, with the reason in *reason, when the encoder cannot take the input type.
  static std::unique_ptr<EncoderSession> Open(const AvailableEncoder& encoder,
                                              const AM_MEDIA_TYPE& input,
                                              const EncoderSettings& settings, std::string* reason);
  ~EncoderSession();
  EncoderSession(const EncoderSession&) = delete;
  EncoderSession& operator=(const EncoderSession&) = delete;

  const MediaType& OutputType() const { return output_; }
  // The largest packet the encoder may make.
  std::size_t MaxPacketSize() const { return maxPacket_; }

  // Encodes one input sample; start and stop may be null (no times). S_FALSE: the sample was
  // left out (too short for a picture).
  HRESULT Encode(const BYTE* data, std::size_t size, const REFERENCE_TIME* start,
                 const REFERENCE_TIME* stop, const PacketSink& sink);
  // Encodes what is buffered and hands out every packet the encoder still holds. Nothing can
  // be encoded afterwards.
  HRESULT Finish(const PacketSink& sink);

 private:
  struct Times {
    bool has = false;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
  };

  EncoderSession(const AvailableEncoder& encoder, av::CodecContextPtr context);
  bool OpenVideo(const AM_MEDIA_TYPE& input, const EncoderSettings& settings, std::string* reason);
  bool OpenAudio(const AM_MEDIA_TYPE& input, const EncoderSettings& settings, std::string* reason);
  bool MakeOutputType(std::string* reason);
  HRESULT Send(const AVFrame* frame, const PacketSink& sink);
  EncodedPacket Describe(const AVPacket& packet);

  const AvailableEncoder encoder_;
  av::CodecContextPtr context_;
  av::PacketPtr packet_;
  std::unique_ptr<PictureConverter> pictures_;  // video
  std::unique_ptr<SoundBuffer> sound_;          // audio
  MediaType output_;
  std::size_t maxPacket_ = 0;
  int64_t nextPts_ = 0;
  std::map<int64_t, Times> pending_;  // video: the times of frames not yet out, by pts
  Times soundStart_;                  // audio: the time of the first sample
  bool finished_ = false;
};

}  // namespace devices
