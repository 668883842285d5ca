// Crossbars of virtual capture cards: the video input list, the tree of routes through chained
// crossbars, routing the chosen input with its audio, and an input chosen while no graph exists.

#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "ComponentFixture.h"
#include "devices/virtual/VirtualCrossbar.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/Crossbar.h"
#include "rudozav/devices/CrossbarInput.h"
#include "rudozav/devices/CrossbarTree.h"

namespace rudozav_test {
namespace {

std::string Fixture(const char* name) {
  std::ifstream file(std::string(RUDOZAV_FIXTURES) + "/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

LONG RoutedTo(IAMCrossbar& crossbar, LONG output) {
  LONG input = -2;
  EXPECT_EQ(crossbar.get_IsRoutedTo(output, &input), S_OK);
  return input;
}

// Depth, input, output, related input, related output and input type of a step; the crossbar
// as 0 for the one next to the capture filter, 1 for the one upstream of it.
using TStep = std::tuple<int, int, LONG, LONG, LONG, LONG, LONG>;

class CrossbarTest : public ComponentTest {
 protected:
  CrossbarTest() : ComponentTest(true, true) {}

  TRavorOderiri& LoadedWith(const std::string& json, bool autoConnect = true) {
    EXPECT_TRUE(virtualdevices::Plug(json));
    TRavorOderiri& component = Create();
    component.SetAutoStartPreview(false);
    component.SetAutoConnectRelatedPins(autoConnect);
    component.Loaded();
    Record(component);
    return component;
  }

  static std::vector<TStep> Steps(const TRavorOdeririState& state) {
    std::vector<TStep> steps;
    for (const TRouting& step : state.graph->crossbarTree->Steps) {
      const int crossbar =
          IsSameObject(step.Crossbar.Get(), state.graph->videoCrossbar.Get()) ? 0 : 1;
      steps.emplace_back(crossbar, step.Depth, step.InputIndex, step.OutputIndex,
                         step.RelatedInputIndex, step.RelatedOutputIndex, step.InputPinType);
    }
    return steps;
  }
};

TEST_F(CrossbarTest, VideoInputsNumberRepeatedConnectorsAndLeaveOutAudio) {
  TRavorOderiri& component = LoadedWith(Fixture("tv-card.json"));
  EXPECT_TRUE(component.VideoCrossbarAvailable());
  EXPECT_EQ(component.VideoInputs(), "Tuner\r\nComposite\r\nSVideo\r\nComposite 1");
  EXPECT_EQ(component.VideoCrossbarInput(), 0);

  devices::CrossbarDescription audioOnly;
  audioOnly.inputs = {{PhysConn_Video_Composite, 1}, {PhysConn_Audio_Line, 0}};
  audioOnly.outputs = {{PhysConn_Audio_AudioDecoder, -1}};
  const auto filter = MakeComObject<devices::VirtualCrossbar>(audioOnly);
  const auto crossbar = ComPtr<IBaseFilter>(filter.Get()).As<IAMCrossbar>();
  ASSERT_TRUE(crossbar);
  EXPECT_EQ(ListVideoInputs(crossbar.Get()), "");

  TCrossbar pins;
  LoadCrossbarPins(pins, crossbar.Get());
  EXPECT_EQ(pins.InputCount, 2);
  EXPECT_EQ(pins.OutputCount, 1);
  EXPECT_EQ(pins.InputPins,
            (std::vector<std::string>{"Composite, related 1", "Audio Line, related 0"}));
  EXPECT_EQ(pins.OutputPins, (std::vector<std::string>{"Audio Decoder, related -1, routed to 1"}));
  LoadCrossbarPins(pins, nullptr);
  EXPECT_EQ(pins.InputCount, 0);
  EXPECT_TRUE(pins.OutputPins.empty());
}

TEST_F(CrossbarTest, TheTreeHoldsEveryRouteFromItsUpstreamCrossbarDown) {
  TRavorOderiri& component = LoadedWith(Fixture("chained-video-crossbars.json"));
  EXPECT_EQ(component.VideoInputs(), "Composite\r\nSVideo\r\nTuner");
  ASSERT_TRUE(component.BuildBaseGraph(false));
  const TRavorOdeririState& state = component.State();
  ASSERT_TRUE(state.graph->audioCrossbar);
  ASSERT_TRUE(state.graph->crossbarTree);
  const auto composite = PhysConn_Video_Composite;
  EXPECT_EQ(Steps(state), (std::vector<TStep>{
                              {1, 1, 0, 0, 2, 1, composite},
                              {0, 0, 0, 0, 3, 1, composite},
                              {1, 1, 1, 0, 3, 1, composite},
                              {0, 0, 0, 0, 3, 1, composite},
                              {0, 0, 1, 0, 3, 1, PhysConn_Video_SVideo},
                              {0, 0, 2, 0, 4, 1, PhysConn_Video_Tuner},
                          }));
  EXPECT_TRUE(
      IsSameObject(state.graph->crossbarTree->StartPin.Get(),
                   GetFilterPin(state.graph->videoCaptureFilter.Get(), PINDIR_INPUT, 0).Get()));
  TCrossbarTree& tree = *component.State().graph->crossbarTree;
  EXPECT_FALSE(SelectRoute(tree, 6));
  EXPECT_FALSE(SelectRoute(tree, -1));
  EXPECT_EQ(tree.Current, 0);

  // Selecting the second route routes both crossbars with their audio.
  EXPECT_TRUE(SelectRoute(tree, 2));
  EXPECT_EQ(tree.Current, 2);
  EXPECT_EQ(RoutedTo(*state.graph->audioCrossbar, 0), 1);
  EXPECT_EQ(RoutedTo(*state.graph->audioCrossbar, 1), 3);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 0);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 1), 3);

  component.ClearGraph();
  EXPECT_FALSE(component.State().graph->crossbarTree);
}

// The TV card's second crossbar only switches sound into the first one, so every route is one step.
TEST_F(CrossbarTest, OnTwoCrossbarsTheAudioFollowsTheVideoInput) {
  TRavorOderiri& card = LoadedWith(Fixture("tv-card.json"));
  ASSERT_TRUE(card.BuildBaseGraph(false));
  const TRavorOdeririState& state = card.State();
  ASSERT_TRUE(state.graph->crossbarTree);
  EXPECT_EQ(state.graph->crossbarTree->Steps.size(), 4u);
  IAMCrossbar& crossbar = *state.graph->videoCrossbar;

  card.SetVideoCrossbarInput(1);
  EXPECT_EQ(RoutedTo(crossbar, 0), 1);
  EXPECT_EQ(RoutedTo(crossbar, 1), 5);
  EXPECT_EQ(state.graph->crossbarTree->Current, 1);
  card.SetVideoCrossbarInput(0);
  EXPECT_EQ(RoutedTo(crossbar, 0), 0);
  EXPECT_EQ(RoutedTo(crossbar, 1), 4);
  EXPECT_FALSE(state.crossbarInputPending);
  EXPECT_EQ(events, std::vector<std::string>{});
}

// Through two crossbars: the first route of the input's connector type, on both of them.
TEST_F(CrossbarTest, OnChainedCrossbarsTheWholeRouteIsRouted) {
  TRavorOderiri& studio = LoadedWith(Fixture("chained-video-crossbars.json"));
  ASSERT_TRUE(studio.BuildBaseGraph(false));
  const TRavorOdeririState& chained = studio.State();
  studio.SetVideoCrossbarInput(2);
  EXPECT_EQ(RoutedTo(*chained.graph->videoCrossbar, 1), 4);
  EXPECT_EQ(chained.graph->crossbarTree->Current, 5);
  studio.SetVideoCrossbarInput(0);
  EXPECT_EQ(chained.graph->crossbarTree->Current, 0);
  EXPECT_EQ(RoutedTo(*chained.graph->videoCrossbar, 0), 0);
  EXPECT_EQ(RoutedTo(*chained.graph->videoCrossbar, 1), 3);
  EXPECT_EQ(RoutedTo(*chained.graph->audioCrossbar, 0), 0);
  EXPECT_EQ(RoutedTo(*chained.graph->audioCrossbar, 1), 2);
}

TEST_F(CrossbarTest, OnOneCrossbarOnlyTheBaseGraphRoutesTheAudio) {
  TRavorOderiri& component = LoadedWith(Fixture("one-crossbar-card.json"));
  EXPECT_EQ(component.VideoCrossbarInput(), 1);  // as the card was found
  ASSERT_TRUE(component.BuildBaseGraph(false));
  const TRavorOdeririState& state = component.State();
  EXPECT_FALSE(state.graph->audioCrossbar);
  EXPECT_FALSE(state.graph->crossbarTree);
  IAMCrossbar& crossbar = *state.graph->videoCrossbar;
  EXPECT_EQ(RoutedTo(crossbar, 1), 4);  // the companion of input 0, not of the routed input 1
  EXPECT_TRUE(LogHasLine("15 ok: cannot route audio crossbar"));

  component.SetVideoCrossbarInput(2);
  EXPECT_EQ(RoutedTo(crossbar, 0), 2);
  EXPECT_EQ(RoutedTo(crossbar, 1), 4);
  ApplyPendingCrossbarInput(component);
  EXPECT_EQ(RoutedTo(crossbar, 1), 4);

  // The routing goes into the settings with the graph and comes back with the next one.
  component.ClearGraph();
  EXPECT_EQ(state.settings[rs_AMVideoCrossbar].StrValue, "2!2!4!");
  ASSERT_TRUE(component.BuildBaseGraph(false));
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 2);
  EXPECT_EQ(state.graph->videoCrossbarPins.InputCount, 6);
  EXPECT_EQ(state.graph->videoCrossbarPins.OutputPins[0], "Video Decoder, related 1, routed to 2");
  component.ClearGraph();

  // Without AutoConnectRelatedPins the audio stays where the driver left it.
  component.SetAutoConnectRelatedPins(false);
  component.State().settings[rs_VIDEOCROSSBARAVAIL].BoolValue = false;
  ASSERT_TRUE(component.BuildBaseGraph(false));
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 1), 5);
  EXPECT_EQ(events, std::vector<std::string>{});
}

TEST_F(CrossbarTest, AnInputChosenWithoutGraphIsRoutedByTheNextGraph) {
  TRavorOderiri& component = LoadedWith(Fixture("one-crossbar-card.json"));
  component.SetVideoCrossbarInput(0);
  const TRavorOdeririState& state = component.State();
  EXPECT_EQ(component.VideoCrossbarInput(), 0);
  EXPECT_TRUE(state.crossbarInputPending);

  ASSERT_TRUE(component.BuildBaseGraph(false));
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 1);
  ApplyPendingCrossbarInput(component);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 0);
  EXPECT_FALSE(state.crossbarInputPending);
  EXPECT_EQ(events, std::vector<std::string>{});

  // A choice left pending belongs to its device: selecting a device drops it.
  component.ClearGraph();
  component.SetVideoCrossbarInput(2);
  EXPECT_TRUE(state.crossbarInputPending);
  component.SelectVideoDevice(0);
  EXPECT_FALSE(state.crossbarInputPending);
}

TEST_F(CrossbarTest, InputsOutOfRangeOrRefusedAreReportedAndStayUnrouted) {
  TRavorOderiri& component = LoadedWith(Fixture("one-crossbar-card.json"));
  const TRavorOdeririState& state = component.State();
  component.SetVideoCrossbarInput(-1);
  EXPECT_EQ(component.VideoCrossbarInput(), 1);
  EXPECT_FALSE(state.crossbarInputPending);

  ASSERT_TRUE(component.BuildBaseGraph(false));
  component.SetVideoCrossbarInput(6);  // the crossbar's input count
  EXPECT_EQ(component.VideoCrossbarInput(), 6);
  EXPECT_TRUE(state.crossbarInputPending);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 1);

  component.SetVideoCrossbarInput(3);  // a Composite input the card cannot route to its decoder
  EXPECT_EQ(component.VideoCrossbarInput(), 3);
  EXPECT_TRUE(state.crossbarInputPending);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 1);
  EXPECT_EQ(events, (std::vector<std::string>{
                        "ErrorLog 40 Error: Video crossbar input index out of range",
                        "ErrorLog 40 Error: Video crossbar input index out of range",
                        "ErrorLog 39 Error: Cannot route video crossbar input",
                    }));

  // The next graph tries once more, and gives up on an input it cannot route.
  component.ClearGraph();
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ApplyPendingCrossbarInput(component);
  EXPECT_FALSE(state.crossbarInputPending);
  EXPECT_EQ(events.back(), "ErrorLog 39 Error: Cannot route video crossbar input");
}

TEST_F(CrossbarTest, ThePreviewRoutesAnInputChosenBeforeItAndARunningOneRoutesAtOnce) {
  TRavorOderiri& component = LoadedWith(Fixture("one-crossbar-card.json"));
  component.SetVideoCrossbarInput(2);
  component.StartPreview();
  const TRavorOdeririState& state = component.State();
  ASSERT_EQ(component.CurrentState(), cs_Preview);
  ASSERT_TRUE(state.graph->videoCrossbar);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 2);
  EXPECT_FALSE(state.crossbarInputPending);

  component.SetVideoCrossbarInput(0);
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 0);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  component.SetVideoCrossbarInput(6);
  EXPECT_EQ(events.back(), "ErrorLog 40 Error: Video crossbar input index out of range");
  EXPECT_EQ(RoutedTo(*state.graph->videoCrossbar, 0), 0);
  component.StopPreview();
}

}  // namespace
}  // namespace rudozav_test
