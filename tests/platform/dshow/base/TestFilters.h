#pragma once
// Small filters for the tests of the base classes and the graph: a pattern source (each frame
// carries its number), an in-place transform that counts and marks frames, a renderer that
// records what it renders, and a transform that changes one subtype into another.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

#include "com/Com.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/BaseRenderer.h"
#include "dshow/base/Source.h"
#include "dshow/base/TransInPlaceFilter.h"
#include "dshow/base/TransformFilter.h"

namespace dshow_test {

inline constexpr CLSID kPatternSourceClass = MakeGuid("2E9D77A8-7DC3-43DC-842B-07D92AF408CE");
inline constexpr CLSID kCountingInPlaceClass = MakeGuid("4BCA4843-C423-4E79-A3F5-A2849088F7E4");
inline constexpr CLSID kRecordingRendererClass = MakeGuid("387CD6BB-3F4E-4458-86FE-C4862CB9031D");
inline constexpr CLSID kSubtypeConverterClass = MakeGuid("2C78A561-99A8-4727-BCFA-C1C66D00A653");

// 32 x 16 RGB32 (or the given subtype), 25 frames a second. A subtype the framework does not
// know gets the RGB32 layout.
MediaType VideoType(const GUID& subtype = MEDIASUBTYPE_RGB32);
inline constexpr REFERENCE_TIME kFrameInterval = kUnitsPerSecond / 25;

// Polls the condition until it holds or a generous deadline passes; returns whether it holds.
bool WaitUntil(const std::function<bool()>& condition);

// Disconnects every pin of the filters: connected pins keep each other's filters alive.
void DisconnectAll(std::initializer_list<CBaseFilter*> filters);

// A reference clock that stands still until the test moves it.
class TestClock final : public ComObject<TestClock, IReferenceClock> {
 public:
  HRESULT GetTime(REFERENCE_TIME* time) override {
    *time = now_.load();
    return S_OK;
  }
  void Set(REFERENCE_TIME time) { now_ = time; }

 private:
  std::atomic<REFERENCE_TIME> now_{0};
};

class PatternSource;

// The output pin of PatternSource. Frame n has n in its first four bytes and, when time stamps
// are on, the times n and n + 1 frame intervals.
class PatternStream : public CSourceStream {
 public:
  PatternStream(PatternSource* filter, MediaType type);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // FillBuffer waits while frames are held (the test opens the gate).
  void HoldFrames();
  void ReleaseFrames();

  std::atomic<int> framesFilled{0};
  std::atomic<int> threadsStarted{0};
  std::atomic<int> threadsEnded{0};
  // Frames after which FillBuffer answers S_FALSE (end of stream); -1 for never.
  std::atomic<int> frameLimit{-1};
  // A failure FillBuffer answers instead of a frame (S_OK for none).
  std::atomic<HRESULT> failWith{S_OK};
  bool timeStamps = true;
  // Further subtypes the pin accepts (of the same size) when a peer asks for them.
  std::vector<GUID> alsoAccepts;

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT OnThreadDestroy() override;

 private:
  MediaType type_;
  std::mutex gateLock_;
  std::condition_variable gateOpen_;
  bool held_ = false;
};

class PatternSource : public CSource {
 public:
  explicit PatternSource(bool live = false, MediaType type = VideoType());
  bool IsLive() const override { return live_; }
  PatternStream* Stream() { return stream_; }

 private:
  const bool live_;
  PatternStream* stream_;
};

// Counts the frames and writes 0xAB into the second byte of each.
class CountingInPlace : public CTransInPlaceFilter {
 public:
  CountingInPlace();
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Transform(IMediaSample* sample) override;
  std::atomic<int> frames{0};
};

// Accepts video of the listed subtypes (any video when the list is empty) and records the
// frame number and the marker byte of each frame it renders, and the threads it renders on.
class RecordingRenderer : public CBaseRenderer {
 public:
  explicit RecordingRenderer(std::vector<GUID> subtypes = {});
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  // Offers the listed subtypes, in order.
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

  std::vector<int> FrameNumbers();
  bool AllMarked();
  bool RenderedOn(std::thread::id thread);

 private:
  const std::vector<GUID> subtypes_;
  std::mutex lock_;
  std::vector<int> numbers_;
  bool allMarked_ = true;
  std::vector<std::thread::id> threads_;
};

// Changes video of subtype `from` into subtype `to` of the same size (copying the bytes).
class SubtypeConverter : public CTransformFilter {
 public:
  SubtypeConverter(GUID from, GUID to);
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 private:
  const GUID from_;
  const GUID to_;
};

}  // namespace dshow_test
