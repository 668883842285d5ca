// The graph's notifications: the posted message, the pending flags and the events of the tick.

#include "ComponentFixture.h"
#include "FakeMedia.h"
#include "rudozav/core/ComponentState.h"
#include "ui/Application.h"
#include "ui/MessageEvent.h"

namespace rudozav_test {
namespace {

class GraphEventsTest : public ComponentTest {
 protected:
  // A loaded component with a scripted graph that posts its notifications to the component.
  TRavorOderiri& WithGraph(TCurrentState state) {
    TRavorOderiri& component = CreateLoaded();
    graph = MakeComObject<FakeGraph>();
    component.State().graph->filterGraph = graph;
    component.State().graph->mediaControl = graph;
    component.State().graph->mediaEvent = graph;
    component.ChangeState(state);
    Record(component);
    return component;
  }

  void Notify(TRavorOderiri& component, LONG code) {
    graph->events.push_back(code);
    PostMessage(&component, TRavorOderiri::kGraphNotifyMessage, 0, 0);
    ui::ProcessMessages();
  }

  ComPtr<FakeGraph> graph;
};

TEST_F(GraphEventsTest, ALostSoleDeviceStopsThePreviewAtTheNextTick) {
  PlugCamera("6&2b5c7a6f&0&0000");
  TRavorOderiri& component = WithGraph(cs_Preview);
  Notify(component, EC_DEVICE_LOST);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(graph->freedEvents, 1);
  component.PollTick();
  EXPECT_EQ(events, (std::vector<std::string>{"ErrorLog 47 Error: not previewing",
                                              "StateChanging 1 0", "DeviceLost"}));
  events.clear();
  component.PollTick();
  EXPECT_TRUE(events.empty());
}

TEST_F(GraphEventsTest, ALostDeviceAmongSeveralIsOnlyReported) {
  PlugCamera("6&2b5c7a6f&0&0000");
  PlugCamera("6&2b5c7a6f&0&0001");
  TRavorOderiri& component = WithGraph(cs_Preview);
  Notify(component, EC_DEVICE_LOST);
  component.PollTick();
  EXPECT_EQ(events, std::vector<std::string>{"DeviceLost"});
  EXPECT_EQ(component.CurrentState(), cs_Preview);
}

TEST_F(GraphEventsTest, TheEndOfAPlayedFilePausesThePlayerAndIsReportedOnce) {
  TRavorOderiri& component = WithGraph(cs_Player);
  int ends = 0;
  component.OnPlayerEndOfStream = [&](TRavorOderiri*) { ++ends; };
  component.ControlGraph(gm_Run);
  graph->controlCalls.clear();
  Notify(component, EC_COMPLETE);
  Notify(component, EC_VIDEO_SIZE_CHANGED);
  EXPECT_EQ(graph->controlCalls, std::vector<std::string>{"Pause"});
  component.PollTick();
  component.PollTick();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(graph->freedEvents, 2);
}

TEST_F(GraphEventsTest, CompletionOutsideThePlayerIsIgnored) {
  TRavorOderiri& component = WithGraph(cs_Preview);
  int ends = 0;
  component.OnPlayerEndOfStream = [&](TRavorOderiri*) { ++ends; };
  Notify(component, EC_COMPLETE);
  Notify(component, EC_PAUSED);  // no capture file: the disk counts as having room
  component.PollTick();
  EXPECT_EQ(ends, 0);
  EXPECT_TRUE(graph->controlCalls.empty());
}

TEST_F(GraphEventsTest, ACaptureAbortedWithRoomOnTheDiskIsReportedAndEnded) {
  TRavorOderiri& component = WithGraph(cs_Capture);
  component.State().writeTarget = "take.avi";  // in the test's folder, which has room
  component.State().captureTarget = "take.avi";
  int diskFull = 0;
  component.OnDiskFull = [&](TRavorOderiri*) { ++diskFull; };
  component.OnCaptureCompleted = [this](TRavorOderiri*, const std::string& file, bool ok) {
    events.push_back("CaptureCompleted " + file + (ok ? " true" : " false"));
  };
  graph->eventParam1 = E_ACCESSDENIED;
  Notify(component, EC_ERRORABORT);
  EXPECT_TRUE(events.empty());
  component.PollTick();
  // No camera and no preview: the restart into cs_Down has nothing to build and reports nothing.
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].rfind("ErrorLog 90 Error: capture aborted: ", 0), 0u) << events[0];
  EXPECT_EQ(events[1], "StateChanging 2 0");
  EXPECT_EQ(events[2], "CaptureCompleted take.avi false");
  EXPECT_EQ(diskFull, 0);
}

}  // namespace
}  // namespace rudozav_test
