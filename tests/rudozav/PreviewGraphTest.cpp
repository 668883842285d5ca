// The preview graph on virtual devices: the filters it is made of and their names, which grabber
// record is active, live frames reaching the renderer, the settings block of the restart, the
// outside deinterlacer's absence, and re-entry during a build.

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <set>
#include <string>

#include "ComponentFixture.h"
#include "com/Com.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "rudozav/core/ComponentState.h"

namespace rudozav_test {
namespace {

class PreviewGraphTest : public ComponentTest {
 protected:
  explicit PreviewGraphTest(bool withLog = false) : ComponentTest(withLog, true) {}

  void SetUp() override {
    ComponentTest::SetUp();
    ASSERT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
  }

  // The names of the filters in the component's graph.
  static std::set<std::string> FilterNames(TRavorOderiri& component) {
    std::set<std::string> names;
    const ComPtr<IGraphBuilder>& graph = component.State().graph->filterGraph;
    if (!graph) return names;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf()))) return names;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      FILTER_INFO info;
      if (SUCCEEDED(filter->QueryFilterInfo(&info))) names.insert(info.achName);
    }
    return names;
  }

  std::string RendererName(TRavorOderiri& component) {
    return "video renderer " + std::to_string(component.State().graph->rendererStamp);
  }
};

TEST_F(PreviewGraphTest, TheDemoCameraRunsIntoTheFrameGrabberAndTheVideoRenderer) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.OnPreviewStarted = [this](TRavorOderiri*) { events.push_back("PreviewStarted"); };
  component.StartPreview();

  EXPECT_EQ(component.CurrentState(), cs_Preview);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_EQ(events, (std::vector<std::string>{"StateChanging 0 1", "PreviewStarted"}));
  const TRavorOdeririState& state = component.State();
  const std::set<std::string> names = FilterNames(component);
  EXPECT_TRUE(names.count(" Frame Grabber"));
  EXPECT_TRUE(names.count(RendererName(component)));
  EXPECT_FALSE(names.count("Frame Notifier"));
  EXPECT_FALSE(names.count("Raw Frame Grabber"));
  EXPECT_EQ(state.graph->connectedVideoWidth, 640);
  EXPECT_EQ(state.graph->connectedVideoHeight, 480);
  EXPECT_EQ(component.VideoWidth(), 640);
  EXPECT_EQ(component.VideoHeight(), 480);
  ASSERT_NE(state.graph->frameGrabberRecord, nullptr);
  EXPECT_EQ(state.graph->activeRecord, state.graph->frameGrabberRecord);
  EXPECT_TRUE(state.graph->videoRenderer.Filter);
  // Live frames pass the grabber while the preview runs.
  EXPECT_TRUE(WaitFor([&] { return state.graph->frameGrabberRecord->FrameCount > 2; }));

  component.StopPreview();
  EXPECT_FALSE(state.graph->filterGraph);
  EXPECT_EQ(component.VideoWidth(), 0);
  EXPECT_EQ(state.graph->activeRecord, nullptr);
  EXPECT_FALSE(state.graph->videoRenderer.Filter);
}

TEST_F(PreviewGraphTest, WithBothGrabbersTheFrameGrabberIsActiveAndNoNotifierIsInserted) {
  TRavorOderiri& component = CreateLoaded();
  component.SetRawFrameGrabberEnabled(true);
  component.SetFrameCountMethod(fim_FrameEvent);
  component.StartPreview();

  const TRavorOdeririState& state = component.State();
  const std::set<std::string> names = FilterNames(component);
  EXPECT_TRUE(names.count("Raw Frame Grabber"));
  EXPECT_TRUE(names.count(" Frame Grabber"));
  EXPECT_FALSE(names.count("Frame Notifier"));
  ASSERT_NE(state.graph->rawGrabberRecord, nullptr);
  EXPECT_EQ(state.graph->activeRecord, state.graph->frameGrabberRecord);
  EXPECT_TRUE(WaitFor([&] { return state.graph->rawGrabberRecord->FrameCount > 2; }));
}

TEST_F(PreviewGraphTest, WithoutGrabbersTheFrameNotifierGivesFrameEventsOnlyWhenAskedFor) {
  TRavorOderiri& component = CreateLoaded();
  component.SetFrameGrabberEnabled(false);
  component.SetFrameCountMethod(fim_FrameEvent);
  component.StartPreview();
  const TRavorOdeririState& state = component.State();
  EXPECT_TRUE(FilterNames(component).count("Frame Notifier"));
  ASSERT_NE(state.graph->notifierRecord, nullptr);
  EXPECT_EQ(state.graph->activeRecord, state.graph->notifierRecord);

  component.StopPreview();
  component.SetFrameCountMethod(fim_Polling);
  component.StartPreview();
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_FALSE(FilterNames(component).count("Frame Notifier"));
  EXPECT_EQ(state.graph->activeRecord, nullptr);
}

TEST_F(PreviewGraphTest, TheHalfSizeDeinterlacerHalvesTheRenderedPicture) {
  TRavorOderiri& component = CreateLoaded();
  component.SetDeinterlacer(di_HalfSize);
  component.StartPreview();
  const TRavorOdeririState& state = component.State();
  EXPECT_TRUE(FilterNames(component).count("Half-Size Deinterlacer"));
  EXPECT_EQ(state.graph->connectedVideoWidth, 320);
  EXPECT_EQ(state.graph->connectedVideoHeight, 240);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
}

TEST_F(PreviewGraphTest, AMissingOutsideDeinterlacerIsReportedAndThePreviewRunsWithoutIt) {
  TRavorOderiri& component = CreateLoaded();
  component.SetDeinterlacer(di_DSCALER);
  Record(component);
  component.OnPreviewStarted = [this](TRavorOderiri*) { events.push_back("PreviewStarted"); };
  component.StartPreview();
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_FALSE(FilterNames(component).count("DSCALER Deinterlacer"));
  bool reported = false;
  for (const std::string& line : events)
    reported |= line.rfind("ErrorLog 38 Error: DSCALER filter not installed, visit ", 0) == 0;
  EXPECT_TRUE(reported);
  EXPECT_EQ(events.back(), "PreviewStarted");
}

TEST_F(PreviewGraphTest, ASecondRestartDuringTheBuildReturnsFalseAndLeavesThePreviewRunning) {
  TRavorOderiri& component = CreateLoaded();
  int nestedResults = 0;
  bool nested = true;
  component.OnPreviewStarted = [&](TRavorOderiri* sender) {
    nested = sender->RestartGraph(true);
    ++nestedResults;
  };
  component.StartPreview();
  EXPECT_EQ(nestedResults, 1);
  EXPECT_FALSE(nested);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_TRUE(component.State().graph->filterGraph);
}

// What the host asks of a busy component runs after the build, in the order asked, and the host
// sees each outcome: the preview stops, a capture that is not running is refused, the last of
// two sizes is the one the new preview is built with.
TEST_F(PreviewGraphTest, OperationsAskedForDuringABuildRunAfterItInTheirOrder) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  std::size_t queued = 0;
  component.OnPreviewStarted = [&](TRavorOderiri* sender) {
    events.push_back("PreviewStarted " + std::to_string(sender->VideoWidth()));
    if (queued > 0) return;
    sender->StopPreview();
    sender->StopCapture();
    sender->SetVideoSize(2);  // 320x240
    sender->SetVideoSize(1);  // 160x120
    sender->StartPreview();
    queued = sender->QueuedOperationCount();
  };
  component.StartPreview();
  EXPECT_EQ(queued, 5u);
  EXPECT_EQ(events,
            (std::vector<std::string>{"StateChanging 0 1", "PreviewStarted 640",
                                      "StateChanging 1 0", "ErrorLog 89 Error: not capturing",
                                      "StateChanging 0 1", "PreviewStarted 160"}));
  EXPECT_EQ(component.QueuedOperationCount(), 0u);
  EXPECT_EQ(component.CurrentState(), cs_Preview);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_EQ(component.VideoSize(), 1);
}

TEST_F(PreviewGraphTest, AFailedBuildLeavesNoGraphBehind) {
  ASSERT_TRUE(virtualdevices::Plug(R"({"devices": [{"category": "video",
    "friendlyName": "Preview Only", "pins": [{"name": "Preview", "role": "preview"}]}]})"));
  TRavorOderiri& component = CreateLoaded();
  component.SetVideoDevice(1);
  Record(component);
  component.StartPreview();
  // The device offers no capture pin, which the preview is taken from.
  EXPECT_FALSE(component.State().graph->filterGraph);
  EXPECT_FALSE(component.State().graph->videoRenderer.Filter);
  EXPECT_EQ(events.back(), "ErrorLog 85 Error: cannot start preview");
}

class LoggedPreviewGraphTest : public PreviewGraphTest {
 protected:
  LoggedPreviewGraphTest() : PreviewGraphTest(true) {}
};

TEST_F(LoggedPreviewGraphTest, TheRestartWritesItsSettingsBlockAroundTheBuild) {
  TRavorOderiri& component = CreateLoaded();
  component.SetDeinterlacer(di_HalfSize);
  component.StartPreview();
  const std::string log = LogText();
  const std::vector<std::string> inOrder = {"BEGIN RestartGraph",
                                            "current Video Device: Virtual Camera",
                                            "capture audio: YES",
                                            "render audio: no",
                                            "frame grabber enabled: YES",
                                            "DV use external audio: no",
                                            "Use deinterlacer filter: 1",
                                            "Compress on the fly: no",
                                            "FFrameCountMethod: 2",
                                            "DroppedFrameCountPollingInterval: 1",
                                            "Preview BUILDOWN BEGIN",
                                            "inserting deinterlacer",
                                            "inserting frame grabber on preview stream",
                                            "Preview BUILDOWN END",
                                            "END RestartGraph"};
  std::size_t at = 0;
  for (const std::string& line : inOrder) {
    const std::size_t found = log.find(line, at);
    EXPECT_NE(found, std::string::npos) << line;
    if (found != std::string::npos) at = found;
  }
}

}  // namespace
}  // namespace rudozav_test

namespace rudozav_test {
namespace {

class DVPreviewTest : public PreviewGraphTest {
 protected:
  // A camcorder whose interleaved pin delivers DV frames, with or without sound.
  TRavorOderiri& CreateWithCamcorder(bool sound) {
    virtualdevices::UnplugAll();
    const std::string json = std::string(R"({"devices": [{"category": "video",
      "friendlyName": "DV Camcorder", "bus": "1394", "pins": [{"name": "DV A/V Out",
      "role": "interleaved", "sound": )") +
                             (sound ? "true" : "false") +
                             R"(, "formats": [{"subtype": "dvsd", "size": [720, 480],
      "frameRate": 29.97}]}]}]})";
    EXPECT_TRUE(virtualdevices::Plug(json));
    return CreateLoaded();
  }
};

TEST_F(DVPreviewTest, TheCamcordersFramesGoThroughTheSplitterAndTheCodecWithTheirSound) {
  TRavorOderiri& component = CreateWithCamcorder(true);
  ASSERT_TRUE(component.IsDVDevice());
  component.SetRenderAudio(true);
  component.StartPreview();

  ASSERT_EQ(component.GraphRunningMode(), gm_Run);
  const std::set<std::string> names = FilterNames(component);
  EXPECT_TRUE(names.count("DV Splitter"));
  EXPECT_TRUE(names.count("DV Codec"));
  EXPECT_TRUE(names.count(" Frame Grabber"));
  EXPECT_TRUE(names.count("Audio Renderer"));
  const TRavorOdeririState& state = component.State();
  // The codec's default display size is half the frame.
  EXPECT_EQ(state.graph->connectedVideoWidth, 360);
  EXPECT_EQ(state.graph->connectedVideoHeight, 240);
  ASSERT_NE(state.graph->frameGrabberRecord, nullptr);
  EXPECT_TRUE(WaitFor([&] { return state.graph->frameGrabberRecord->FrameCount > 2; }));
}

TEST_F(DVPreviewTest, RenderingSoundThatTheSplitterDoesNotOfferFailsThePreview) {
  TRavorOderiri& component = CreateWithCamcorder(false);
  component.SetRenderAudio(true);
  component.StartPreview();
  EXPECT_FALSE(component.State().graph->filterGraph);

  // Without RenderAudio no sound is looked for.
  component.SetRenderAudio(false);
  component.StartPreview();
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_FALSE(FilterNames(component).count("Audio Renderer"));
}

}  // namespace
}  // namespace rudozav_test

namespace rudozav_test {
namespace {

TEST_F(PreviewGraphTest, ASetterGivenTheValueItHoldsKeepsTheRunningGraph) {
  TRavorOderiri& component = CreateLoaded();
  int builds = 0;
  component.OnPreviewStarted = [&builds](TRavorOderiri*) { ++builds; };
  component.SetRefreshPreviewOnParamChange(true);
  component.StartPreview();
  ASSERT_EQ(builds, 1);
  const struct {
    const char* name;
    std::function<void(TRavorOderiri&)> setSame;
    std::function<void(TRavorOderiri&)> setOther;
  } setters[] = {
      {"FrameGrabberEnabled", [](auto& c) { c.SetFrameGrabberEnabled(c.FrameGrabberEnabled()); },
       [](auto& c) { c.SetFrameGrabberEnabled(!c.FrameGrabberEnabled()); }},
      {"RawFrameGrabberEnabled",
       [](auto& c) { c.SetRawFrameGrabberEnabled(c.RawFrameGrabberEnabled()); },
       [](auto& c) { c.SetRawFrameGrabberEnabled(!c.RawFrameGrabberEnabled()); }},
      {"RenderAudio", [](auto& c) { c.SetRenderAudio(c.RenderAudio()); },
       [](auto& c) { c.SetRenderAudio(!c.RenderAudio()); }},
      {"Deinterlacer", [](auto& c) { c.SetDeinterlacer(c.Deinterlacer()); }, nullptr},
      {"DVCaptureMode", [](auto& c) { c.SetDVCaptureMode(c.DVCaptureMode()); }, nullptr},
      {"DVRgb219", [](auto& c) { c.SetDVRgb219(c.DVRgb219()); }, nullptr},
      {"DVReduceFrameRate", [](auto& c) { c.SetDVReduceFrameRate(c.DVReduceFrameRate()); },
       nullptr},
      {"DVUseExternalAudio", [](auto& c) { c.SetDVUseExternalAudio(c.DVUseExternalAudio()); },
       nullptr},
  };
  for (const auto& setter : setters) {
    builds = 0;
    setter.setSame(component);
    EXPECT_EQ(builds, 0) << setter.name << " rebuilt the preview";
    if (!setter.setOther) continue;
    setter.setOther(component);
    setter.setOther(component);  // and back
    EXPECT_EQ(builds, 2) << setter.name << " did not rebuild the preview for a new value";
  }
}

}  // namespace
}  // namespace rudozav_test
