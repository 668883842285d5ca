// The graph state machine: state checks, operations, the busy cursor and the deferred queue.

#include "ComponentFixture.h"
#include "FakeMedia.h"
#include "rudozav/core/ComponentState.h"
#include "ui/Cursor.h"

namespace rudozav_test {
namespace {

// Marks the selected device as probed, so that RestartGraph gets as far as building.
TRavorOderiri& MarkProbed(TRavorOderiri& component) {
  component.State().settings[rs_DeviceDiscovered].BoolValue = true;
  return component;
}

TEST_F(ComponentTest, OperationsRefusedInTheCurrentStateChangeNothing) {
  TRavorOderiri& component = CreateLoaded();
  component.ChangeState(cs_Capture);
  Record(component);
  component.StartPreview();
  component.StartCapture();
  component.SetCompressionMode(cm_CompressAfterCapture);
  component.Recompress("in.avi", "out.avi");
  EXPECT_EQ(events, (std::vector<std::string>{
                        "ErrorLog 65 Error: stop capture first",
                        "ErrorLog 65 Error: already capturing",
                        "ErrorLog 65 Error: stop capture first",
                        "ErrorLog 65 Error: stop capture first",
                    }));
  EXPECT_EQ(component.CurrentState(), cs_Capture);
  EXPECT_EQ(component.CompressionMode(), cm_NoCompression);
}

TEST_F(LoggedComponentTest, ClosingAClosedPlayerIsOnlyLogged) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.ClosePlayer();
  EXPECT_TRUE(LogHasLine("4 Error: already closed"));
  EXPECT_TRUE(events.empty());
}

TEST_F(ComponentTest, AFailedCaptureReturnsToDownAndAFailedPreviewKeepsItsState) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.StartCapture();
  EXPECT_EQ(events,
            (std::vector<std::string>{"StateChanging 0 2", "ErrorLog 33 Error: no video device",
                                      "StateChanging 2 0"}));
  events.clear();
  component.StartPreview();
  component.StopPreview();
  EXPECT_EQ(events,
            (std::vector<std::string>{"StateChanging 0 1", "ErrorLog 33 Error: no video device",
                                      "ErrorLog 85 Error: cannot start preview",
                                      "ErrorLog 47 Error: not previewing", "StateChanging 1 0"}));
  EXPECT_EQ(component.CurrentState(), cs_Down);
}

TEST_F(ComponentTest, AnUnprobedDeviceIsNotAvailable) {
  PlugCamera("6&2b5c7a6f&0&0000");
  TRavorOderiri& component = CreateLoaded();
  component.State().settings[rs_DeviceDiscovered].BoolValue = false;  // as if the probe failed
  ASSERT_EQ(component.CurrentDeviceIndex(), 0);
  Record(component);
  component.StartPreview();
  EXPECT_EQ(events, (std::vector<std::string>{"StateChanging 0 1",
                                              "ErrorLog 100 Error: video device not available",
                                              "ErrorLog 85 Error: cannot start preview"}));
}

TEST_F(LoggedComponentTest, StartPreviewFromAHandlerOfABusyComponentRunsAfterTheBuild) {
  PlugCamera("6&2b5c7a6f&0&0000");
  TRavorOderiri& component = MarkProbed(CreateLoaded());
  component.ChangeState(cs_Capture);
  Record(component);
  component.OnCaptureCompleted = [&](TRavorOderiri* sender, const std::string&, bool success) {
    EXPECT_TRUE(sender->IsBusy());
    EXPECT_TRUE(success);
    sender->StartPreview();
    events.push_back("CaptureCompleted");
  };
  component.StopCapture();
  EXPECT_TRUE(LogHasLine("11 Error: IN QUEUE 29"));
  EXPECT_TRUE(LogHasLine("11 Error: FROM QUEUE 29"));
  // The queued preview starts a build of its own (which fails: the camera has no formats and
  // there is no preview graph yet).
  EXPECT_EQ(events,
            (std::vector<std::string>{"CaptureCompleted", "StateChanging 2 0", "StateChanging 0 1",
                                      "ErrorLog 30 Warning: no audio device found",
                                      "ErrorLog 63 Error: set video format",
                                      "ErrorLog 85 Error: cannot start preview"}));
  EXPECT_EQ(component.QueuedOperationCount(), 0u);
  EXPECT_FALSE(component.IsBusy());
}

TEST_F(ComponentTest, QueuedSettersTakeEffectWithoutRestartingThePreview) {
  PlugCamera("6&2b5c7a6f&0&0000");
  TRavorOderiri& component = MarkProbed(CreateLoaded());
  component.ChangeState(cs_Preview);
  component.SetDroppedFrameCountMethod(fim_None);  // the tick reports no progress of its own
  int restarts = 0;  // each restart clears the preview graph, which reports its progress
  component.OnCaptureProgress = [&](TRavorOderiri*, double, int, int) { ++restarts; };

  component.SetVideoSize(2);
  EXPECT_EQ(restarts, 1);
  component.ChangeState(cs_Preview);  // as a successful build would leave it

  component.SetBusy(true);
  component.SetVideoSize(3);
  component.SetFrameGrabberEnabled(false);
  EXPECT_EQ(component.VideoSize(), 2);
  EXPECT_EQ(component.QueuedOperationCount(), 2u);
  component.SetBusy(false);
  component.PollTick();
  EXPECT_EQ(component.VideoSize(), 3);
  EXPECT_FALSE(component.FrameGrabberEnabled());
  EXPECT_EQ(restarts, 1);
  EXPECT_TRUE(component.RefreshPreviewOnParamChange());

  component.SetRefreshPreviewOnParamChange(false);
  component.SetVideoSize(4);
  EXPECT_EQ(component.VideoSize(), 4);
  EXPECT_EQ(restarts, 1);
}

TEST_F(ComponentTest, TheBusyCursorStaysWhileAnyComponentIsBusy) {
  TRavorOderiri& first = CreateLoaded();
  TRavorOderiri& second = CreateLoaded();
  first.SetBusy(true);
  second.SetBusy(true);
  first.SetBusy(true);
  EXPECT_EQ(ui::ScreenCursor(), crHourGlass);
  first.SetBusy(false);
  EXPECT_EQ(ui::ScreenCursor(), crHourGlass);
  second.SetBusy(false);
  EXPECT_EQ(ui::ScreenCursor(), crDefault);

  second.SetBusyCursor(crDefault);  // no cursor changes at all
  second.SetNormalCursor(crCross);
  second.SetBusy(true);
  second.SetBusy(false);
  EXPECT_EQ(ui::ScreenCursor(), crDefault);
}

TEST_F(ComponentTest, ControlGraphWaitsUntilTheGraphReportsTheStateReached) {
  TRavorOderiri& component = CreateLoaded();
  EXPECT_FALSE(component.ControlGraph(gm_Run));  // no graph: nothing to control
  auto graph = MakeComObject<FakeGraph>();
  component.State().graph->mediaControl = graph;
  graph->intermediateStates = 2;
  EXPECT_TRUE(component.ControlGraph(gm_Run));
  EXPECT_EQ(graph->controlCalls,
            (std::vector<std::string>{"Run", "GetState", "GetState", "GetState"}));
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);

  graph->controlCalls.clear();
  EXPECT_TRUE(component.ControlGraph(gm_Pause));
  EXPECT_EQ(graph->controlCalls, std::vector<std::string>{"Pause"});

  graph->controlCalls.clear();
  graph->runResult = E_FAIL;
  EXPECT_FALSE(component.ControlGraph(gm_Run));
  EXPECT_EQ(graph->controlCalls, (std::vector<std::string>{"Run", "Stop", "GetState"}));
  EXPECT_EQ(component.GraphRunningMode(), gm_Stop);
}

TEST_F(ComponentTest, ClearingTheGraphDetachesItsNotificationsAndReleasesIt) {
  TRavorOderiri& component = CreateLoaded();
  auto graph = MakeComObject<FakeGraph>();
  graph->AddFilter(MakeComObject<FakeFilter>().Get(), "a filter");
  TRavorOdeririState& state = component.State();
  state.graph->filterGraph = graph;
  state.graph->mediaControl = graph;
  state.graph->mediaEvent = graph;
  state.videoWidth = 640;
  graph->notifyWindow = 1;
  component.ClearGraph();
  EXPECT_EQ(graph->notifyWindow, 0);
  EXPECT_EQ(graph->notifyMessage, static_cast<LONG>(TRavorOderiri::kGraphNotifyMessage));
  EXPECT_EQ(graph->notifyFlags, AM_MEDIAEVENT_NONOTIFY);
  EXPECT_EQ(graph->controlCalls.front(), "Stop");
  EXPECT_FALSE(state.graph->filterGraph);
  EXPECT_FALSE(state.graph->mediaEvent);
  EXPECT_EQ(component.VideoWidth(), 0);
  graph->AddRef();
  EXPECT_EQ(graph->Release(), 1u);  // no reference of the component outlives its graph
}

TEST_F(ComponentTest, RecompressRunsInItsOwnStateAndReportsItsEnd) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.OnRecompressStarted = [&](TRavorOderiri*) { events.push_back("RecompressStarted"); };
  component.OnRecompressCompleted = [&](TRavorOderiri*, bool success) {
    events.push_back(std::string("RecompressCompleted ") + (success ? "true" : "false"));
  };
  component.Recompress("capture.avi", "small.avi");
  EXPECT_EQ(events, (std::vector<std::string>{"RecompressStarted", "StateChanging 0 4",
                                              "ErrorLog 2 Error: adding source filter capture.avi",
                                              "StateChanging 4 0", "RecompressCompleted false"}));
  EXPECT_EQ(component.CompressionMode(), cm_NoCompression);
  EXPECT_FALSE(component.IsBusy());
}

}  // namespace
}  // namespace rudozav_test
