// A source, an in-place transform and a renderer wired pin to pin, without a graph: frames flow
// on the source's thread, pausing cues, timed samples wait for the clock, and Stop joins.

#include <gtest/gtest.h>

#include "TestFilters.h"
#include "clock/Clock.h"

namespace dshow_test {
namespace {

IPin* PinOf(CBaseFilter* filter, int index) {
  return filter->GetPin(index);
}

class Chain : public ::testing::Test {
 protected:
  void TearDown() override { DisconnectAll({source.Get(), inPlace.Get(), renderer.Get()}); }
  void Connect() {
    ASSERT_EQ(PinOf(source.Get(), 0)->Connect(PinOf(inPlace.Get(), 0), nullptr), S_OK);
    ASSERT_EQ(PinOf(inPlace.Get(), 1)->Connect(PinOf(renderer.Get(), 0), nullptr), S_OK);
  }
  // Downstream first, as the graph does.
  void Pause() {
    EXPECT_TRUE(SUCCEEDED(renderer->Pause()));
    EXPECT_EQ(inPlace->Pause(), S_OK);
    EXPECT_TRUE(SUCCEEDED(source->Pause()));
  }
  void Run(REFERENCE_TIME start) {
    EXPECT_EQ(renderer->Run(start), S_OK);
    EXPECT_EQ(inPlace->Run(start), S_OK);
    EXPECT_EQ(source->Run(start), S_OK);
  }
  void Stop() {
    EXPECT_EQ(renderer->Stop(), S_OK);
    EXPECT_EQ(inPlace->Stop(), S_OK);
    EXPECT_EQ(source->Stop(), S_OK);
  }

  ComPtr<PatternSource> source = MakeComObject<PatternSource>();
  ComPtr<CountingInPlace> inPlace = MakeComObject<CountingInPlace>();
  ComPtr<RecordingRenderer> renderer = MakeComObject<RecordingRenderer>();
};

TEST_F(Chain, FramesFlowOnTheSourceThreadAndStopJoinsIt) {
  Connect();
  EXPECT_TRUE(inPlace->UsingSameAllocator());
  for (int round = 1; round <= 2; ++round) {
    Pause();
    Run(0);
    ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() >= 10 * round; }));
    Stop();
    EXPECT_FALSE(source->Stream()->ThreadRunning());
    EXPECT_EQ(source->Stream()->threadsEnded, round);
  }
  const std::vector<int> numbers = renderer->FrameNumbers();
  for (std::size_t i = 1; i < numbers.size(); ++i)
    EXPECT_GT(numbers[i], numbers[i - 1]);
  EXPECT_EQ(numbers[1], 1);
  EXPECT_TRUE(renderer->AllMarked());
  EXPECT_FALSE(renderer->RenderedOn(std::this_thread::get_id()));
  EXPECT_GE(inPlace->frames, renderer->FramesRendered());
}

TEST_F(Chain, PauseCuesOneSampleAndRunRendersIt) {
  Connect();
  source->Stream()->HoldFrames();
  Pause();
  FILTER_STATE state = State_Stopped;
  EXPECT_EQ(renderer->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(state, State_Paused);
  source->Stream()->ReleaseFrames();
  EXPECT_EQ(renderer->GetState(INFINITE, &state), S_OK);
  EXPECT_EQ(renderer->FramesRendered(), 0);  // cued, not rendered
  Run(0);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() >= 3; }));
  EXPECT_EQ(renderer->FrameNumbers().front(), 0);
  Stop();
}

TEST_F(Chain, TimedSamplesWaitForTheClockAndStopReleasesAWaitingSample) {
  Connect();
  auto clock = MakeComObject<TestClock>();
  renderer->SetSyncSource(clock.Get());
  Pause();
  Run(0);
  // Frame 0 is due at once; frame 1 is due one interval later and holds the source's thread.
  ASSERT_TRUE(WaitUntil([&] { return source->Stream()->framesFilled >= 2; }));
  EXPECT_EQ(renderer->FramesRendered(), 1);
  clock->Set(kFrameInterval);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() == 2; }));
  ASSERT_TRUE(WaitUntil([&] { return source->Stream()->framesFilled >= 3; }));
  Stop();  // frame 2 still waits for its time
  EXPECT_EQ(renderer->FramesRendered(), 2);
  EXPECT_FALSE(source->Stream()->ThreadRunning());
}

TEST_F(Chain, EndOfStreamAndFailuresStopTheThreadQuietly) {
  Connect();
  source->Stream()->frameLimit = 3;
  Pause();
  Run(0);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() == 3; }));
  FILTER_STATE state;
  renderer->Pause();
  EXPECT_EQ(renderer->GetState(0, &state), S_OK);  // end of stream completes a pause
  Stop();
  EXPECT_EQ(source->Stream()->threadsEnded, 1);
}

TEST(Connection, NegotiatesTheMediaTypeBothPinsAccept) {
  auto source = MakeComObject<PatternSource>();
  auto rgb24Only = MakeComObject<RecordingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  IPin* out = source->GetPin(0);
  IPin* in = rgb24Only->GetPin(0);
  EXPECT_EQ(out->Connect(in, nullptr), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_FALSE(source->GetPin(0)->IsConnected());

  // The source can deliver the renderer's type too: a partial type selects it.
  source->Stream()->alsoAccepts = {MEDIASUBTYPE_RGB24};
  MediaType partial(MEDIATYPE_Video, MEDIASUBTYPE_RGB32);
  EXPECT_TRUE(FAILED(out->Connect(in, partial.Ptr())));
  MediaType wanted(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
  ASSERT_EQ(out->Connect(in, wanted.Ptr()), S_OK);
  EXPECT_EQ(out->Connect(in, nullptr), VFW_E_ALREADY_CONNECTED);
  MediaType connected;
  ASSERT_EQ(in->ConnectionMediaType(connected.ResetAndGet()), S_OK);
  EXPECT_EQ(connected->subtype, MEDIASUBTYPE_RGB24);
  ComPtr<IPin> peer;
  ASSERT_EQ(in->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(IsSameObject(peer.Get(), out));

  rgb24Only->Pause();
  EXPECT_EQ(in->Disconnect(), VFW_E_NOT_STOPPED);
  rgb24Only->Stop();
  EXPECT_EQ(in->Disconnect(), S_OK);
  EXPECT_EQ(out->Disconnect(), S_OK);
  EXPECT_EQ(out->Disconnect(), S_FALSE);
  EXPECT_EQ(in->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
  DisconnectAll({source.Get(), rgb24Only.Get()});
}

TEST(InPlace, AnOutputOfAnotherTypeReconnectsTheInput) {
  auto source = MakeComObject<PatternSource>();
  source->Stream()->alsoAccepts = {MEDIASUBTYPE_RGB24};
  auto inPlace = MakeComObject<CountingInPlace>();
  auto renderer = MakeComObject<RecordingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  ASSERT_EQ(source->GetPin(0)->Connect(inPlace->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(inPlace->InputPin()->ConnectionType()->subtype, MEDIASUBTYPE_RGB32);
  ASSERT_EQ(inPlace->GetPin(1)->Connect(renderer->GetPin(0), nullptr), S_OK);
  EXPECT_EQ(inPlace->InputPin()->ConnectionType()->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(source->GetPin(0)->ConnectionType()->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_TRUE(inPlace->UsingSameAllocator());
  DisconnectAll({source.Get(), inPlace.Get(), renderer.Get()});
}

}  // namespace
}  // namespace dshow_test
