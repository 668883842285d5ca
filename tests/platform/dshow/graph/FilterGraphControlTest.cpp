// Running a graph: frames flow through an in-place transform into a renderer on the source's
// thread, Stop leaves no streaming thread, pausing is reported intermediate until a sample is
// cued, live sources cannot cue, and EC_COMPLETE waits for every renderer.

#include <gtest/gtest.h>

#include "TestFilters.h"
#include "clock/Clock.h"

namespace dshow_test {
namespace {

class Playback : public ::testing::Test {
 protected:
  // Source -> in-place -> renderer, in a new graph.
  void Build(bool live = false) {
    source = MakeComObject<PatternSource>(live);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
    graph->AddFilter(source.Get(), "Source");
    graph->AddFilter(inPlace.Get(), "Counter");
    graph->AddFilter(renderer.Get(), "Renderer");
    ASSERT_EQ(graph->Connect(source->GetPin(0), inPlace->GetPin(0)), S_OK);
    ASSERT_EQ(graph->Connect(inPlace->GetPin(1), renderer->GetPin(0)), S_OK);
    control = graph.As<IMediaControl>();
    events = graph.As<IMediaEventEx>();
  }
  // The codes of the events queued now.
  std::vector<LONG> Drain() {
    std::vector<LONG> codes;
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (events->GetEvent(&code, &param1, &param2, 0) == S_OK)
      codes.push_back(code);
    return codes;
  }

  ComPtr<PatternSource> source;
  ComPtr<CountingInPlace> inPlace = MakeComObject<CountingInPlace>();
  ComPtr<RecordingRenderer> renderer = MakeComObject<RecordingRenderer>();
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaEventEx> events;
};

TEST_F(Playback, FramesFlowAndStopReturnsWithNoStreamingThreadLeft) {
  Build();
  source->Stream()->timeStamps = false;  // rendered as fast as they come
  for (int round = 1; round <= 3; ++round) {
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() >= 5 * round; }));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_FALSE(source->Stream()->ThreadRunning());
    EXPECT_EQ(source->Stream()->threadsEnded, round);
    EXPECT_EQ(source->Stream()->threadsStarted, round);
    OAFilterState state = State_Running;
    EXPECT_EQ(control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
  }
  EXPECT_TRUE(renderer->AllMarked());
  EXPECT_FALSE(renderer->RenderedOn(std::this_thread::get_id()));
  EXPECT_TRUE(inPlace->UsingSameAllocator());
}

TEST_F(Playback, PauseIsIntermediateUntilTheRendererHasASample) {
  Build();
  source->Stream()->HoldFrames();
  EXPECT_EQ(control->Pause(), S_FALSE);
  OAFilterState state = State_Stopped;
  EXPECT_EQ(control->GetState(0, &state), VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(state, State_Paused);
  EXPECT_EQ(Drain(), std::vector<LONG>{});
  source->Stream()->ReleaseFrames();
  EXPECT_EQ(control->GetState(-1, &state), S_OK);
  EXPECT_EQ(Drain(), std::vector<LONG>{EC_PAUSED});
  EXPECT_EQ(renderer->FramesRendered(), 0);
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() > 0; }));
  EXPECT_EQ(renderer->FrameNumbers().front(), 0);
  EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(Playback, ALiveSourceCannotCueAndIsRenderedAsItArrives) {
  // The clock stands still: timed samples of a graph that is not live would wait for ever.
  sysclock::UseTestClock(1000);
  Build(/*live=*/true);
  EXPECT_EQ(control->Pause(), VFW_S_CANT_CUE);
  OAFilterState state = State_Stopped;
  EXPECT_EQ(control->GetState(-1, &state), VFW_S_CANT_CUE);
  EXPECT_EQ(Drain(), std::vector<LONG>{EC_PAUSED});
  EXPECT_EQ(source->Stream()->framesFilled, 0);
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() >= 5; }));
  EXPECT_EQ(control->Pause(), VFW_S_CANT_CUE);
  EXPECT_EQ(control->Stop(), S_OK);
  EXPECT_FALSE(source->Stream()->ThreadRunning());
  sysclock::UseRealClock();
}

TEST_F(Playback, TimedSamplesOfANonLiveGraphFollowTheClock) {
  sysclock::UseTestClock(1000);
  Build();
  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return source->Stream()->framesFilled >= 2; }));
  EXPECT_EQ(renderer->FramesRendered(), 1);
  sysclock::Advance(static_cast<DWORD>(kFrameInterval / 10000));
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() == 2; }));
  EXPECT_EQ(control->Stop(), S_OK);
  sysclock::UseRealClock();
}

TEST_F(Playback, CompletionWaitsForEveryRenderer) {
  Build();
  source->Stream()->frameLimit = 2;
  // A second chain whose end is held back.
  auto other = MakeComObject<PatternSource>();
  auto otherRenderer = MakeComObject<RecordingRenderer>();
  graph->AddFilter(other.Get(), "Other Source");
  graph->AddFilter(otherRenderer.Get(), "Other Renderer");
  ASSERT_EQ(graph->Connect(other->GetPin(0), otherRenderer->GetPin(0)), S_OK);
  other->Stream()->frameLimit = 2;
  other->Stream()->HoldFrames();

  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() == 2; }));
  other->Stream()->ReleaseFrames();
  ASSERT_TRUE(WaitUntil([&] { return otherRenderer->FramesRendered() == 2; }));
  LONG code = 0;
  EXPECT_EQ(events->WaitForCompletion(-1, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 20000), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(Drain(), std::vector<LONG>{});
  EXPECT_EQ(control->Stop(), S_OK);
  LONG notRunning = 0;
  EXPECT_EQ(events->WaitForCompletion(0, &notRunning), VFW_E_WRONG_STATE);
}

TEST_F(Playback, AFailingSourceAbortsWithAnError) {
  Build();
  source->Stream()->failWith = E_OUTOFMEMORY;
  ASSERT_EQ(control->Run(), S_OK);
  LONG code = 0;
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 20000), S_OK);
  EXPECT_EQ(code, EC_ERRORABORT);
  EXPECT_EQ(param1, E_OUTOFMEMORY);
  EXPECT_EQ(control->Stop(), S_OK);
}

}  // namespace
}  // namespace dshow_test
