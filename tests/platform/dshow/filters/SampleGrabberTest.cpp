// The Sample Grabber as the component uses it: created by class id, buffering, callbacks, the
// one shot and the type it lets in.

#include "dshow/filters/SampleGrabber.h"

#include <gtest/gtest.h>

#include <mutex>

#include "FilterTestSupport.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/VideoMediaType.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using filter_test::WaitUntil;

MediaType Rgb24() {
  return *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 8, 4, 400'000);
}

// Records what the grabber calls back with; the calls come on the streaming thread.
class RecordingCallback final : public ComObject<RecordingCallback, ISampleGrabberCB> {
 public:
  HRESULT SampleCB(double time, IMediaSample* sample) override {
    std::lock_guard lock(lock_);
    ++sampleCalls;
    lastTime = time;
    lastLength = sample->GetActualDataLength();
    return S_OK;
  }
  HRESULT BufferCB(double time, BYTE* buffer, LONG length) override {
    std::lock_guard lock(lock_);
    ++bufferCalls;
    lastTime = time;
    lastBytes.assign(buffer, buffer + length);
    buffer[0] ^= 0xFF;  // changing the copy must not change the stream
    return S_OK;
  }
  int Calls() {
    std::lock_guard lock(lock_);
    return sampleCalls + bufferCalls;
  }

  std::mutex lock_;
  int sampleCalls = 0;
  int bufferCalls = 0;
  double lastTime = -1;
  LONG lastLength = 0;
  std::vector<BYTE> lastBytes;
};

struct GrabberChain {
  explicit GrabberChain(bool withSink) {
    source = MakeComObject<FrameSource>(Rgb24());
    source->Stream()->timeStamps = true;
    grabber = MakeComObject<SampleGrabber>();
    sink = MakeComObject<CapturingRenderer>();
    EXPECT_EQ(ConnectFilters(source.Get(), grabber.Get()), S_OK);
    chain.Add(source.Get(), "source");
    chain.Add(grabber.Get(), "grabber");
    if (withSink) {
      EXPECT_EQ(ConnectFilters(grabber.Get(), sink.Get()), S_OK);
      chain.Add(sink.Get(), "sink");
    }
  }
  ComPtr<FrameSource> source;
  ComPtr<SampleGrabber> grabber;
  ComPtr<CapturingRenderer> sink;
  FilterChain chain;
};

TEST(SampleGrabberTest, IsCreatableUnderItsClassId) {
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             filter.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_TRUE(filter.As<ISampleGrabber>());
  CLSID clsid;
  filter->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_SampleGrabber);
}

TEST(SampleGrabberTest, BuffersTheLastSampleAndCallsBack) {
  GrabberChain g(/*withSink=*/true);
  auto callback = MakeComObject<RecordingCallback>();
  LONG size = 0;
  EXPECT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), VFW_E_WRONG_STATE) << "nothing yet";
  g.grabber->SetBufferSamples(TRUE);
  g.grabber->SetCallback(callback.Get(), 1);
  ASSERT_TRUE(SUCCEEDED(g.chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return callback->Calls() >= 3 && g.sink->Samples() >= 3; }));
  g.chain.Stop();

  const LONG frameBytes = static_cast<LONG>(Rgb24()->lSampleSize);
  ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), S_OK);
  EXPECT_EQ(size, frameBytes);
  std::vector<LONG> copy((static_cast<size_t>(size) + 3) / 4);
  LONG small = size - 1;
  EXPECT_EQ(g.grabber->GetCurrentBuffer(&small, copy.data()), E_OUTOFMEMORY);
  ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, copy.data()), S_OK);
  const auto* bytes = reinterpret_cast<const BYTE*>(copy.data());
  EXPECT_EQ(std::vector<BYTE>(bytes, bytes + size), g.sink->LastFrame());

  EXPECT_EQ(callback->lastBytes, g.sink->LastFrame()) << "the callback's change stayed local";
  EXPECT_GT(callback->lastTime, 0.0) << "stream time in seconds";
  AM_MEDIA_TYPE connected;
  ASSERT_EQ(g.grabber->GetConnectedMediaType(&connected), S_OK);
  EXPECT_EQ(connected.subtype, MEDIASUBTYPE_RGB24);
  FreeMediaType(connected);
}

TEST(SampleGrabberTest, OneShotTakesOneSampleAndEndsTheStream) {
  for (const bool withSink : {true, false}) {
    GrabberChain g(withSink);
    auto callback = MakeComObject<RecordingCallback>();
    g.grabber->SetOneShot(TRUE);
    g.grabber->SetCallback(callback.Get(), 0);
    ASSERT_TRUE(SUCCEEDED(g.chain.Run()));
    ASSERT_TRUE(WaitUntil([&] { return g.chain.Graph().Count(EC_COMPLETE) == 1; }))
        << "with sink: " << withSink;
    EXPECT_EQ(callback->Calls(), 1);
    EXPECT_EQ(callback->lastLength, static_cast<LONG>(Rgb24()->lSampleSize));
    if (withSink) {
      EXPECT_EQ(g.sink->Samples(), 1);
    }
    g.chain.Stop();
    EXPECT_EQ(callback->Calls(), 1);
  }
}

TEST(SampleGrabberTest, LetsInOnlyTypesThatFitTheOneSet) {
  auto grabber = MakeComObject<SampleGrabber>();
  AM_MEDIA_TYPE wanted;
  wanted.majortype = MEDIATYPE_Video;
  wanted.subtype = MEDIASUBTYPE_RGB24;
  grabber->SetMediaType(&wanted);
  const ComPtr<IPin> input = PinOf(grabber.Get(), PINDIR_INPUT);
  EXPECT_EQ(input->QueryAccept(Rgb24().Ptr()), S_OK);
  EXPECT_EQ(input->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_YUY2, 8, 4)->Ptr()), S_FALSE);
  AM_MEDIA_TYPE any;
  grabber->SetMediaType(&any);
  EXPECT_EQ(input->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_YUY2, 8, 4)->Ptr()), S_OK);
  EXPECT_EQ(grabber->GetConnectedMediaType(&any), VFW_E_NOT_CONNECTED);
}

}  // namespace
