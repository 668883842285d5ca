#pragma once
// A compressor made from one of FFmpeg's encoders (EncoderCatalog.h): a transform whose input
// takes uncompressed pictures (RGB24, RGB32, YUY2, UYVY, NV12, I420, YV12) or 8/16-bit PCM
// sound, and whose output carries the encoder's stream under its FourCC (bitmap header with the
// codec data) or WAV tag (WAVEFORMATEX with its extra bytes), for the AVI multiplexer. Key
// frames are sync points; each packet has the times of the input it came from; packets the
// encoder holds at the end of the stream are sent before the end of stream.
//
// Settings: quality, key-frame rate, bit rate and preset (EncoderSettings), through
// IAMVideoCompression (video compressors), IEncoderOptions (all of them, for the compressor
// page that ISpecifyPropertyPages names) and kept through IPersistStream. They apply from the
// next start; a change that alters the output's format block needs a new connection.
//
// An input type the encoder cannot take is refused with VFW_E_TYPE_NOT_ACCEPTED; the reason is
// LastRefusal() and a "devices" diagnostic.
//
// Threads: connection, settings and state changes on the application's thread; Receive,
// EndOfStream and EndFlush on the upstream filter's streaming thread, where the encoding runs
// (with FFmpeg's own threads). The settings are guarded; the encoder belongs to the streaming
// thread between StartStreaming and StopStreaming.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "devices/capture/PropertyPageList.h"
#include "devices/encoders/EncoderCatalog.h"
#include "devices/encoders/EncoderSession.h"
#include "devices/encoders/EncoderSettings.h"
#include "dshow/base/TransformFilter.h"

namespace devices {

class CompressionSettingsPart;
class CompressorPersistPart;
class EncoderOptionsPart;

// The class ids the compressors report (IPersist::GetClassID) and list as their "CLSID".
inline constexpr CLSID CLSID_FfmpegVideoCompressor =
    MakeGuid("AEE6ECDF-8D9A-4C3D-8688-D7BB62763532");
inline constexpr CLSID CLSID_FfmpegAudioCompressor =
    MakeGuid("7C6D6566-BBE5-4D45-9B4A-A64CEEB33AA0");

class CompressorFilter : public CTransformFilter {
 public:
  explicit CompressorFilter(const AvailableEncoder& encoder);

  const EncoderEntry& Entry() const { return *encoder_.entry; }
  bool IsVideo() const { return encoder_.entry->kind == EncoderKind::kVideo; }
  // libavcodec's name of the encoder ("libx264").
  std::string_view CodecName() const;

  // Application thread; any values ValidEncoderSettings accepts (else E_INVALIDARG).
  EncoderSettings Settings() const;
  HRESULT SetSettings(const EncoderSettings& settings);
  // Whether the settings changed since they were last saved or loaded.
  bool IsDirty() const;
  void SetDirty(bool dirty);
  // Why the last input type was refused; empty when none was.
  std::string LastRefusal() const;

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;

 protected:
  ~CompressorFilter() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  struct Output {
    MediaType type;
    std::size_t maxPacket = 0;
  };

  // The output for an input type, from an encoder opened for it (the last answer is kept).
  std::optional<Output> OutputFor(const AM_MEDIA_TYPE& input);
  // Opens the encoder for the connected input with the current settings.
  HRESULT OpenSession();
  // Sends one packet downstream in a sample of its own.
  HRESULT DeliverPacket(const EncodedPacket& packet);

  const AvailableEncoder encoder_;
  mutable std::mutex settingsLock_;
  EncoderSettings settings_;  // guarded by settingsLock_
  bool dirty_ = false;        // guarded by settingsLock_
  std::string refusal_;       // guarded by settingsLock_
  std::mutex outputLock_;
  std::optional<MediaType> lastInput_;       // guarded by outputLock_
  std::optional<Output> lastOutput_;         // guarded by outputLock_
  std::unique_ptr<EncoderSession> session_;  // streaming thread (see the threads above)
  bool discontinuity_ = false;               // streaming thread: the next sample follows a gap
  std::unique_ptr<CompressionSettingsPart> compression_;  // video compressors only
  std::unique_ptr<CompressorPersistPart> persist_;
  std::unique_ptr<EncoderOptionsPart> options_;
  std::unique_ptr<PropertyPageList> pages_;  // the compressor page
};

// Makes the compressor of the available encoder with that key and answers riid on it.
HRESULT CreateCompressorFilter(const AvailableEncoder& encoder, REFIID riid, void** object);

}  // namespace devices
