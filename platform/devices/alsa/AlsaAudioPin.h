#pragma once
// The capture pin of an ALSA sound input: IAMStreamConfig with the PCM formats the device takes
// (one capability each), and a streaming thread that reads periods into samples stamped on the
// graph clock from the device's own timestamps. An overrun is recovered, counted and marked as a
// discontinuity; a device that goes away is lost once.
//
// Threads: as StreamConfigPin. PrepareStreaming and EndStreaming on the application thread while
// the streaming thread is not running; FillBuffer on the streaming thread; Overruns from any.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "devices/alsa/AlsaApi.h"
#include "devices/alsa/AlsaFormats.h"
#include "devices/capture/StreamConfigPin.h"

namespace devices {

class CaptureFilter;

class AlsaAudioPin : public StreamConfigPin, public IAMDroppedFrames {
 public:
  // Each sample holds this much sound, one period of the device.
  static constexpr REFERENCE_TIME kPeriod = kUnitsPerSecond / 50;

  AlsaAudioPin(CaptureFilter* filter, std::shared_ptr<AlsaApi> api, std::string pcm,
               std::vector<PcmFormat> formats);

  // Opens the device with the connected format: kDeviceInUse while another program holds it.
  HRESULT PrepareStreaming();
  // Stops and closes the device.
  void EndStreaming();

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // Overruns since the stream started.
  LONG Overruns() const { return overruns_.load(); }

  // IAMDroppedFrames: overruns as dropped, samples delivered as not dropped.
  HRESULT GetNumDropped(LONG* dropped) override;
  HRESULT GetNumNotDropped(LONG* notDropped) override;
  HRESULT GetDroppedInfo(LONG size, LONG* frames, LONG* copied) override;
  HRESULT GetAverageFrameSize(LONG* averageSize) override;

  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 protected:
  int CapabilityCount() const override { return static_cast<int>(formats_.size()); }
  MediaType CapabilityType(int index) const override;
  int CapsSize() const override { return sizeof(AUDIO_STREAM_CONFIG_CAPS); }
  void WriteCaps(int index, BYTE* caps) const override;
  bool Accepts(const AM_MEDIA_TYPE& mediaType) const override;
  bool SameFormat(const AM_MEDIA_TYPE& chosen, const AM_MEDIA_TYPE& offered) const override;

  HRESULT QueryPinInterface(REFIID riid, void** object) override;
  HRESULT OnThreadStartPlay() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  // Reads what fits into buffer; the frames read, 0 when the stream ends (stop or loss).
  long ReadFrames(BYTE* buffer, long capacityFrames);
  // After an overrun or a suspend: recovered and started again; false when that fails.
  bool Restart(int error);
  void StampSample(IMediaSample* sample, long frames);

  CaptureFilter* const filter_;
  const std::shared_ptr<AlsaApi> api_;
  const std::string pcm_;
  const std::vector<PcmFormat> formats_;
  std::unique_ptr<AlsaCapture> capture_;
  PcmFormat format_;  // the connected one, while streaming
  std::atomic<LONG> overruns_{0};
  std::atomic<LONG> delivered_{0};

  // Streaming thread only.
  bool discontinuity_ = true;
  REFERENCE_TIME nextStart_ = 0;
  bool haveStart_ = false;
};

}  // namespace devices
