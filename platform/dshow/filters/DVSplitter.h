#pragma once
// The DV splitter: takes interleaved DV frames (MEDIATYPE_Interleaved, dvsd or dv25) and passes
// each frame on as DV video ("DVVidOut0") and, when the stream carries sound (the DVINFO audio
// source pack is set), the frame's sound as 16-bit stereo PCM at 48 kHz ("AudOut00"), read from
// the frame with libavformat's DV demuxer. IDVSplitter can drop every other video frame.
//
// Threads: connection hooks on the application's thread; samples on the upstream's streaming
// thread, under the tee's receive lock.

#include <atomic>
#include <memory>
#include <vector>

#include "dshow/CodecInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/filters/TeeFilter.h"

// One output of the splitter: a type made from the input's, its own buffers.
class DVSplitterOutputPin final : public CBaseOutputPin {
 public:
  DVSplitterOutputPin(CBaseFilter* filter, CBaseInputPin* input, std::string name, bool audio);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // Copies data into a new sample with the times and flags of from and delivers it.
  HRESULT DeliverCopy(IMediaSample* from, const BYTE* data, LONG length);

 private:
  CBaseInputPin* const input_;
  const bool audio_;
};

class DVSplitter final : public TeeFilter, public IDVSplitter {
 public:
  DVSplitter();

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return TeeFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return TeeFilter::AddRef(); }
  ULONG Release() override { return TeeFilter::Release(); }

  // IDVSplitter
  HRESULT DiscardAlternateVideoFrames(int discard) override;

  // The audio output exists only while the input carries sound.
  int GetPinCount() override;
  CBasePin* GetPin(int index) override;

  HRESULT DeliverSample(IMediaSample* sample) override;
  HRESULT DeliverEndOfStream() override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
  bool OutputsAccept(const AM_MEDIA_TYPE& mediaType) override;

  // Whether an interleaved DV type carries sound.
  static bool HasSound(const AM_MEDIA_TYPE& mediaType);

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  ~DVSplitter() override;
  bool AudioPinPresent();

  std::unique_ptr<TeeInputPin> input_;
  std::unique_ptr<DVSplitterOutputPin> video_;
  std::unique_ptr<DVSplitterOutputPin> audio_;
  std::atomic<bool> discardAlternate_{false};
  LONGLONG frames_ = 0;  // streaming thread: frames received, for the alternate frames
};

// The PCM sound of one DV frame (16-bit stereo samples, interleaved); empty when it has none.
std::vector<BYTE> DVFrameSound(const BYTE* frame, size_t size);
