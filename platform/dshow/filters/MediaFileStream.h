#pragma once
// An output pin of the media file source: one stream of the file, read by a demuxer of the pin's
// own, so that a pin's thread never waits for the consumer of another stream (a shared demuxer
// would stall the sound while the picture's renderer holds a frame, and the other way round).
//
// Samples carry the packet's times from the segment start (the last position set), divided by
// the rate, a sync point where the packet is a key frame, and a discontinuity on the first
// sample after a seek. A seek goes to the key frame at or before the target; what ends before
// the target is dropped when each packet decodes on its own, and otherwise delivered as preroll
// for the decoder to decode and discard.
//
// IMediaSeeking: media time, and frames when the file has a frame rate; duration, current
// position (the start of the last delivered sample), stop position, rate (forward only).
// A new position while the filter runs or is paused flushes downstream, restarts the pin's
// thread at the new position and sends a new segment.
//
// Threads: seeking and connection on the application's thread; FillBuffer and the reader on the
// pin's streaming thread. The position lock guards the segment the two share.

#include <memory>
#include <mutex>

#include "dshow/GraphInterfaces.h"
#include "dshow/base/SourceStream.h"
#include "dshow/filters/MediaFileReader.h"

class MediaFileStream final : public CSourceStream, public IMediaSeeking {
 public:
  // frameInterval: the file's video frame interval, for TIME_FORMAT_FRAME (0: frames unknown).
  MediaFileStream(CSource* filter, std::string name, std::unique_ptr<dshow::MediaFileReader> reader,
                  const dshow::MediaStreamInfo& info, REFERENCE_TIME duration,
                  REFERENCE_TIME frameInterval);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // IMediaSeeking
  HRESULT GetCapabilities(DWORD* capabilities) override;
  HRESULT CheckCapabilities(DWORD* capabilities) override;
  HRESULT IsFormatSupported(const GUID* format) override;
  HRESULT QueryPreferredFormat(GUID* format) override;
  HRESULT GetTimeFormat(GUID* format) override;
  HRESULT IsUsingTimeFormat(const GUID* format) override;
  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                            const GUID* sourceFormat) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  HRESULT SetRate(double rate) override;
  HRESULT GetRate(double* rate) override;
  HRESULT GetPreroll(LONGLONG* preroll) override;

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;
  HRESULT OnThreadCreate() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  struct Segment {
    REFERENCE_TIME start = 0;  // file time that sample time 0 stands for
    REFERENCE_TIME stop = MAX_TIME;
    double rate = 1.0;
  };

  // Application thread: flushes downstream and restarts the thread at the segment set.
  void Restart();
  bool Converts(const GUID& format) const;
  // Between the time format in use and media time; the position lock is held.
  LONGLONG ToMediaTime(LONGLONG value, const GUID& format) const;
  LONGLONG FromMediaTime(LONGLONG value, const GUID& format) const;

  const dshow::MediaStreamInfo info_;
  const REFERENCE_TIME duration_;
  const REFERENCE_TIME frameInterval_;
  LONG bufferSize_ = 0;

  mutable std::mutex positionLock_;
  Segment segment_;             // under positionLock_
  REFERENCE_TIME current_ = 0;  // under positionLock_
  GUID timeFormat_;             // under positionLock_

  // Streaming thread only (and the application thread while no thread runs).
  std::unique_ptr<dshow::MediaFileReader> reader_;
  Segment playing_;
  bool fresh_ = true;  // nothing read yet: no seek needed for the start
  bool newSegment_ = false;
  bool discontinuity_ = false;
};
