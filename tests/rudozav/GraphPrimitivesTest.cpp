// The graph primitives in the platform's filter graphs: what each adds, connects and logs, and
// where it leaves the current pin.

#include <utility>

#include "ComponentFixture.h"
#include "com/Com.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/graph/FilterAdding.h"
#include "rudozav/graph/FilterInsertion.h"
#include "rudozav/graph/FilterPins.h"
#include "rudozav/graph/GrabberInsertion.h"
#include "rudozav/graph/GraphBuilder.h"
#include "rudozav/graph/PinConnection.h"
#include "rudozav/graph/RendererInsertion.h"
#include "rudozav/graph/ScreenDepth.h"

namespace rudozav_test {
namespace {

constexpr CLSID kUnknownClass = MakeGuid("0BADC1A5-0000-4000-8000-000000000001");

// Forwards to a real graph, except that Connect answers as the test scripts it.
class ScriptedConnectGraph : public ComObject<ScriptedConnectGraph, IGraphBuilder> {
 public:
  explicit ScriptedConnectGraph(ComPtr<IGraphBuilder> real) : real_(std::move(real)) {}
  // Partial render: connects, then answers VFW_S_PARTIAL_RENDER. Otherwise refuses untried.
  bool partialRender = true;

  HRESULT Connect(IPin* output, IPin* input) override {
    if (!partialRender) return VFW_E_CANNOT_CONNECT;
    const HRESULT hr = real_->Connect(output, input);
    return SUCCEEDED(hr) ? VFW_S_PARTIAL_RENDER : hr;
  }
  HRESULT AddFilter(IBaseFilter* f, LPCOLESTR n) override { return real_->AddFilter(f, n); }
  HRESULT RemoveFilter(IBaseFilter* f) override { return real_->RemoveFilter(f); }
  HRESULT EnumFilters(IEnumFilters** e) override { return real_->EnumFilters(e); }
  HRESULT FindFilterByName(LPCOLESTR n, IBaseFilter** f) override {
    return real_->FindFilterByName(n, f);
  }
  HRESULT ConnectDirect(IPin* o, IPin* i, const AM_MEDIA_TYPE* t) override {
    return real_->ConnectDirect(o, i, t);
  }
  HRESULT Reconnect(IPin* p) override { return real_->Reconnect(p); }
  HRESULT Disconnect(IPin* p) override { return real_->Disconnect(p); }
  HRESULT SetDefaultSyncSource() override { return real_->SetDefaultSyncSource(); }
  HRESULT Render(IPin* p) override { return real_->Render(p); }
  HRESULT RenderFile(LPCOLESTR f, LPCOLESTR l) override { return real_->RenderFile(f, l); }
  HRESULT AddSourceFilter(LPCOLESTR f, LPCOLESTR n, IBaseFilter** s) override {
    return real_->AddSourceFilter(f, n, s);
  }
  HRESULT SetLogFile(DWORD_PTR f) override { return real_->SetLogFile(f); }
  HRESULT Abort() override { return real_->Abort(); }
  HRESULT ShouldOperationContinue() override { return real_->ShouldOperationContinue(); }

 private:
  ComPtr<IGraphBuilder> real_;
};

class GraphPrimitivesTest : public ComponentTest {
 protected:
  GraphPrimitivesTest() : ComponentTest(true, true) {}

  void TearDown() override {
    OverrideScreenDepth(std::nullopt);
    ComponentTest::TearDown();
  }

  // A loaded component with a new graph, a camera and a microphone plugged.
  TRavorOderiri& ComponentWithGraph() {
    EXPECT_TRUE(virtualdevices::Plug(R"({"devices": [
      {"category": "video", "friendlyName": "Desk Camera"},
      {"category": "audio", "friendlyName": "Desk Microphone"}]})"));
    TRavorOderiri& component = CreateLoaded();
    EXPECT_TRUE(CreateGraphBuilder(component));
    return component;
  }

  // The first output pin of the device list[0] bound into the component's graph.
  static ComPtr<IPin> DevicePin(TRavorOderiri& component, const TDevices& list) {
    int index = 0;
    bool usable = false;
    ComPtr<IBaseFilter> device;
    EXPECT_TRUE(BindDeviceFilter(component, list, index, usable, false, device));
    ComPtr<IPin> pin;
    if (device) {
      EXPECT_EQ(
          component.State().graph->captureBuilder->FindPin(
              device.Get(), PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0, pin.ReleaseAndGetAddressOf()),
          S_OK);
    }
    return pin;
  }
  static ComPtr<IPin> CameraPin(TRavorOderiri& component) {
    return DevicePin(component, *VideoDeviceList());
  }
  static ComPtr<IPin> MicrophonePin(TRavorOderiri& component) {
    return DevicePin(component, *AudioDeviceList());
  }

  static bool InGraph(TRavorOderiri& component, const std::string& name) {
    ComPtr<IBaseFilter> found;
    return component.State().graph->filterGraph->FindFilterByName(
               name.c_str(), found.ReleaseAndGetAddressOf()) == S_OK;
  }
  static int FilterCount(TRavorOderiri& component) {
    ComPtr<IEnumFilters> filters;
    EXPECT_EQ(component.State().graph->filterGraph->EnumFilters(filters.ReleaseAndGetAddressOf()),
              S_OK);
    int count = 0;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
      ++count;
    return count;
  }
  static ComPtr<IPin> Peer(IPin* pin) {
    ComPtr<IPin> peer;
    (void)pin->ConnectedTo(peer.ReleaseAndGetAddressOf());
    return peer;
  }
  static ComPtr<IBaseFilter> Owner(IPin* pin) {
    PIN_INFO info;
    EXPECT_EQ(pin->QueryPinInfo(&info), S_OK);
    return info.pFilter;
  }
  static std::string PinName(IPin* pin) {
    PIN_INFO info;
    EXPECT_EQ(pin->QueryPinInfo(&info), S_OK);
    return info.achName;
  }
};

TEST_F(GraphPrimitivesTest, TheGraphBuilderIsBoundToANewGraphWithItsInterfaces) {
  TRavorOderiri& component = ComponentWithGraph();
  TRavorOdeririState& state = component.State();
  EXPECT_EQ(state.graph->rendererStamp, GetTickCount());
  ComPtr<IGraphBuilder> bound;
  ASSERT_EQ(state.graph->captureBuilder->GetFiltergraph(bound.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(IsSameObject(bound.Get(), state.graph->filterGraph.Get()));
  EXPECT_TRUE(LogHasLine("14 ok: instance: Graph Buider"));
  EXPECT_TRUE(LogHasLine("14 ok: instance: Filter Graph"));
  EXPECT_TRUE(LogHasLine("56 ok: set filter graph"));

  EXPECT_TRUE(GetGraphInterfaces(component));
  EXPECT_TRUE(state.graph->mediaEvent);
  EXPECT_TRUE(state.graph->mediaControl);
  EXPECT_TRUE(LogHasLine("25 ok: get Event ex interface"));
  EXPECT_TRUE(LogHasLine("68 ok: get control interface"));

  // A second builder starts from a cleared graph with a new stamp.
  const ComPtr<IGraphBuilder> first = state.graph->filterGraph;
  sysclock::Advance(40);
  ASSERT_TRUE(CreateGraphBuilder(component));
  EXPECT_FALSE(IsSameObject(first.Get(), state.graph->filterGraph.Get()));
  EXPECT_FALSE(state.graph->mediaControl);
  EXPECT_EQ(state.graph->rendererStamp, GetTickCount());
}

TEST_F(GraphPrimitivesTest, AddingAFilterWritesItsLinesAndATakenNameFails) {
  TRavorOderiri& component = ComponentWithGraph();
  Record(component);
  ComPtr<IBaseFilter> filter;
  ComPtr<IPin> input;
  ComPtr<IPin> output;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_NullRenderer, "Sink", filter, input));
  EXPECT_TRUE(filter && input);
  EXPECT_TRUE(LogHasLine("AddFilterGetInput ok: Sink"));

  // The graph renames a second "Sink" and says so: that is a failure here.
  EXPECT_FALSE(AddFilterGetInput(component, CLSID_NullRenderer, "Sink", filter, input));
  EXPECT_TRUE(LogHasLine("ERROR: AddFilterGetInput cannot add filter Sink"));

  EXPECT_FALSE(AddFilterGetInput(component, kUnknownClass, "Nothing", filter, input));
  EXPECT_FALSE(filter || input);  // out variables are cleared on entry
  EXPECT_TRUE(LogHasLine("ERROR: AddFilterGetInput cocreate instance failed on filter Nothing"));
  EXPECT_EQ(events, std::vector<std::string>{"ErrorLog 14 Error: instance: Nothing"});

  EXPECT_FALSE(
      AddFilterGetInputOutput(component, CLSID_NullRenderer, "End", filter, input, output));
  EXPECT_TRUE(LogHasLine("ERROR: AddFilterGetInputOutput cannot find output pin in filter End"));
  EXPECT_TRUE(InGraph(component, "End"));  // left for the caller, which clears the graph

  ASSERT_TRUE(
      AddFilterGetInputOutput(component, CLSID_Colour, " Frame Grabber", filter, input, output));
  EXPECT_TRUE(LogHasLine("AddFilterGetInputOutput ok:  Frame Grabber"));
  EXPECT_TRUE(InGraph(component, " Frame Grabber"));
  EXPECT_FALSE(InGraph(component, "Frame Grabber"));
}

TEST_F(GraphPrimitivesTest, ATeeGivesItsTwoUnconnectedOutputsInOrder) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IBaseFilter> tee;
  ComPtr<IPin> input;
  ComPtr<IPin> first;
  ComPtr<IPin> second;
  ASSERT_TRUE(
      AddFilterGetInput2Outputs(component, CLSID_SmartTee, "Tee", tee, input, first, second));
  EXPECT_EQ(PinName(first.Get()), "Capture");
  EXPECT_EQ(PinName(second.Get()), "Preview");
  EXPECT_EQ(LogText().find("AddFilterGetInput2Outputs ok"), std::string::npos);

  EXPECT_FALSE(
      AddFilterGetInput2Outputs(component, CLSID_Colour, "Converter", tee, input, first, second));
  EXPECT_TRUE(
      LogHasLine("ERROR: AddFilterGetInput2Outputs cannot find output pin #2 in filter "
                 "Converter"));
  EXPECT_FALSE(
      AddFilterGetInput2Outputs(component, CLSID_SmartTee, "Tee", tee, input, first, second));
  EXPECT_TRUE(
      LogHasLine("ERROR: AddFilterGetInput2Outputs cocreate instance failed on filter Tee"));
}

TEST_F(GraphPrimitivesTest, AChainGrowsBehindTheCurrentPinAndEndsInRenderers) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IPin> pin = CameraPin(component);
  ASSERT_TRUE(pin);
  const ComPtr<IPin> cameraPin = pin;

  ComPtr<IBaseFilter> converter;
  ASSERT_TRUE(InsertFilterInline(component, CLSID_Colour, "Converter", pin, converter));
  EXPECT_TRUE(LogHasLine("AddFilterGetInputOutput ok: Converter"));
  EXPECT_EQ(GetPinByDirection(converter.Get(), PINDIR_OUTPUT, 0), pin);
  ComPtr<IPin> converterInput = GetPinByDirection(converter.Get(), PINDIR_INPUT, 0);
  EXPECT_TRUE(IsSameObject(Peer(cameraPin.Get()).Get(), converterInput.Get()));

  ComPtr<IPin> capture;
  ComPtr<IPin> preview;
  ASSERT_TRUE(InsertFilter2(component, CLSID_SmartTee, "Smart Tee", pin, capture, preview));
  EXPECT_FALSE(pin);
  const TPinCount teePins = CountPins(Owner(capture.Get()).Get());
  EXPECT_EQ(teePins.Inputs, 1);
  EXPECT_EQ(teePins.Outputs, 2);

  ComPtr<IBaseFilter> sink;
  ASSERT_TRUE(InsertFilter(component, CLSID_NullRenderer, "Sink", capture, sink));
  EXPECT_FALSE(capture);  // the chain ends there

  TRenderer video;
  const std::string name =
      "video renderer " + std::to_string(component.State().graph->rendererStamp);
  ASSERT_TRUE(InsertRenderer(component, preview, name, video, true));
  EXPECT_FALSE(preview);
  EXPECT_TRUE(video.Filter);
  EXPECT_TRUE(LogHasLine("AddFilterGetInput ok: " + name));
  EXPECT_TRUE(Peer(GetPinByDirection(video.Filter.Get(), PINDIR_INPUT, 0).Get()));
}

TEST_F(GraphPrimitivesTest, AnEmptyCurrentPinAddsNothing) {
  TRavorOderiri& component = ComponentWithGraph();
  const int before = FilterCount(component);
  ComPtr<IPin> pin;
  ComPtr<IBaseFilter> filter;
  ComPtr<IPin> first;
  ComPtr<IPin> second;
  TRenderer video;
  ComPtr<IBaseFilter> audio;
  EXPECT_FALSE(InsertFilterInline(component, CLSID_Colour, "A", pin, filter));
  EXPECT_FALSE(InsertFilter2(component, CLSID_SmartTee, "B", pin, first, second));
  EXPECT_FALSE(InsertFilter(component, CLSID_NullRenderer, "C", pin, filter));
  EXPECT_FALSE(InsertRenderer(component, pin, "D", video, true));
  EXPECT_FALSE(InsertRenderer(component, pin, "E", audio, true));
  ComPtr<IBaseFilter> tee;
  ASSERT_EQ(CoCreateInstance(CLSID_SmartTee, &tee), S_OK);
  EXPECT_FALSE(InsertExistingFilter(component, tee.Get(), pin));
  EXPECT_EQ(FilterCount(component), before);
}

TEST_F(GraphPrimitivesTest, AFailedConnectionKeepsTheCurrentPinExceptForATee) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IPin> pin = CameraPin(component);
  ComPtr<IBaseFilter> sink;
  ComPtr<IPin> sinkInput;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_NullRenderer, "Sink", sink, sinkInput));
  // An output that is connected already refuses every further connection.
  const ComPtr<IPin> used = pin;
  ASSERT_TRUE(ConnectPins(component, used.Get(), sinkInput.Get()));

  ComPtr<IBaseFilter> filter;
  EXPECT_FALSE(InsertFilterInline(component, CLSID_Colour, "Converter", pin, filter));
  EXPECT_TRUE(LogHasLine("ERROR: InsertFilterInline cannot connect Converter"));
  EXPECT_EQ(pin, used);
  EXPECT_FALSE(InsertFilter(component, CLSID_NullRenderer, "Other Sink", pin, filter));
  EXPECT_TRUE(LogHasLine("ERROR: InsertFilter cannot connect Other Sink"));
  EXPECT_EQ(pin, used);

  ComPtr<IPin> first;
  ComPtr<IPin> second;
  EXPECT_FALSE(InsertFilter2(component, CLSID_SmartTee, "Smart Tee", pin, first, second));
  EXPECT_TRUE(LogHasLine("ERROR: InsertFilter2 cannot connect Smart Tee"));
  EXPECT_FALSE(pin);
  EXPECT_FALSE(first || second);
}

TEST_F(GraphPrimitivesTest, AnExistingFilterIsPlacedBehindTheCurrentPin) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IPin> pin = CameraPin(component);
  ComPtr<IBaseFilter> converter;
  ASSERT_EQ(CoCreateInstance(CLSID_Colour, &converter), S_OK);
  ASSERT_TRUE(AddNamedFilter(component, converter.Get(), "Compressor"));
  EXPECT_TRUE(LogHasLine("1 ok: rejected: Compressor"));

  ASSERT_TRUE(InsertExistingFilter(component, converter.Get(), pin));
  EXPECT_TRUE(LogHasLine("InsertExistingFilter inserted  Compressor"));
  EXPECT_EQ(pin, GetPinByDirection(converter.Get(), PINDIR_OUTPUT, 0));

  // Its only input is taken now, and a sink has no output.
  ComPtr<IPin> again = MicrophonePin(component);
  const ComPtr<IPin> kept = again;
  EXPECT_FALSE(InsertExistingFilter(component, converter.Get(), again));
  EXPECT_TRUE(LogHasLine("ERROR: InsertExistingFilter cannot find input pin  on Compressor"));
  ComPtr<IBaseFilter> sink;
  ComPtr<IPin> sinkInput;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_NullRenderer, "Sink", sink, sinkInput));
  EXPECT_FALSE(InsertExistingFilter(component, sink.Get(), again));
  EXPECT_TRUE(LogHasLine("ERROR: InsertExistingFilter cannot find output pin on Sink"));
  EXPECT_EQ(again, kept);
}

TEST_F(GraphPrimitivesTest, ARendererThatCannotBeConnectedLeavesTheGraph) {
  TRavorOderiri& component = ComponentWithGraph();
  Record(component);
  ComPtr<IPin> sound = MicrophonePin(component);
  const ComPtr<IPin> kept = sound;
  TRenderer video;
  EXPECT_FALSE(InsertRenderer(component, sound, "video renderer 7", video, true));
  EXPECT_TRUE(LogHasLine("ERROR: InsertRenderer cannot connect video renderer 7"));
  EXPECT_FALSE(InGraph(component, "video renderer 7"));
  EXPECT_FALSE(video.Filter);
  EXPECT_EQ(sound, kept);
  EXPECT_EQ(events, std::vector<std::string>{"ErrorLog 96 Error: DirectX acceleration disabled"});

  // Without a screen type to retry with, the renderer still leaves and the insertion fails.
  events.clear();
  OverrideScreenDepth(8);
  EXPECT_FALSE(InsertRenderer(component, sound, "video renderer 8", video, false));
  EXPECT_FALSE(InGraph(component, "video renderer 8"));
  EXPECT_TRUE(events.empty());  // not reported without the report flag

  ComPtr<IBaseFilter> audio;
  ASSERT_TRUE(InsertRenderer(component, sound, "Audio Renderer", audio, true));
  EXPECT_FALSE(sound);
  EXPECT_TRUE(audio);
}

TEST_F(GraphPrimitivesTest, ARefusedRendererConnectionIsRetriedDirectlyWithTheScreensType) {
  TRavorOderiri& component = ComponentWithGraph();
  // The converter offers every RGB type; the camera offers YUY2 alone.
  ComPtr<IPin> pin = CameraPin(component);
  ComPtr<IBaseFilter> converter;
  ASSERT_TRUE(InsertFilterInline(component, CLSID_Colour, "Converter", pin, converter));
  auto scripted = MakeComObject<ScriptedConnectGraph>(component.State().graph->filterGraph);
  scripted->partialRender = false;
  component.State().graph->filterGraph = scripted;
  for (int depth : {16, 24, 32}) {
    SCOPED_TRACE(depth);
    ComPtr<IPin> current = pin;
    TRenderer video;
    OverrideScreenDepth(depth);
    ASSERT_TRUE(
        InsertRenderer(component, current, "video renderer " + std::to_string(depth), video, true));
    const ComPtr<IPin> input = GetPinByDirection(video.Filter.Get(), PINDIR_INPUT, 0);
    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(input->ConnectionMediaType(&connected), S_OK);
    const GUID expected = depth == 16   ? MEDIASUBTYPE_RGB565
                          : depth == 24 ? MEDIASUBTYPE_RGB24
                                        : MEDIASUBTYPE_RGB32;
    EXPECT_EQ(connected.subtype, expected);
    FreeMediaType(connected);
    ASSERT_EQ(component.State().graph->filterGraph->RemoveFilter(video.Filter.Get()), S_OK);
  }
}

TEST_F(GraphPrimitivesTest, TheFirstVideoConnectionAfterTheMarkGivesTheConnectedSize) {
  TRavorOderiri& component = ComponentWithGraph();
  TRavorOdeririState& state = component.State();
  ComPtr<IPin> sound = MicrophonePin(component);
  ComPtr<IPin> video = CameraPin(component);
  ComPtr<IBaseFilter> filter;
  ComPtr<IPin> input;

  // A connection without a video format ends the mark and leaves the size.
  state.graph->recordConnectedSize = true;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_NullRenderer, "Sound Sink", filter, input));
  ASSERT_TRUE(ConnectPins(component, sound.Get(), input.Get()));
  EXPECT_FALSE(state.graph->recordConnectedSize);
  EXPECT_EQ(state.graph->connectedVideoWidth, 0);

  // A failed connection keeps the mark; the next good one is recorded, later ones are not.
  state.graph->recordConnectedSize = true;
  EXPECT_FALSE(ConnectPins(component, sound.Get(), input.Get()));
  EXPECT_TRUE(state.graph->recordConnectedSize);
  const ComPtr<IPin> cameraPin = video;
  ComPtr<IBaseFilter> converter;
  ASSERT_TRUE(InsertFilterInline(component, CLSID_Colour, "Converter", video, converter));
  AM_MEDIA_TYPE cameraType{};
  ASSERT_EQ(cameraPin->ConnectionMediaType(&cameraType), S_OK);
  const BITMAPINFOHEADER& header =
      reinterpret_cast<const VIDEOINFOHEADER*>(cameraType.pbFormat)->bmiHeader;
  EXPECT_EQ(state.graph->connectedVideoWidth, header.biWidth);
  EXPECT_EQ(state.graph->connectedVideoHeight, header.biHeight);
  EXPECT_GT(state.graph->connectedVideoWidth, 0);
  FreeMediaType(cameraType);
  EXPECT_FALSE(state.graph->recordConnectedSize);

  component.ClearGraph();
  EXPECT_EQ(state.graph->connectedVideoWidth, 0);
  EXPECT_EQ(state.graph->connectedVideoHeight, 0);
}

TEST_F(GraphPrimitivesTest, APartialRenderCountsAsConnected) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IPin> pin = CameraPin(component);
  component.State().graph->filterGraph =
      MakeComObject<ScriptedConnectGraph>(component.State().graph->filterGraph);
  ComPtr<IBaseFilter> sink;
  ASSERT_TRUE(InsertFilter(component, CLSID_NullRenderer, "Sink", pin, sink));
  EXPECT_FALSE(pin);
}

TEST_F(GraphPrimitivesTest, AFreeInputTakesTheCurrentPin) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IBaseFilter> tee;
  ComPtr<IPin> input;
  ComPtr<IPin> first;
  ComPtr<IPin> second;
  ASSERT_TRUE(
      AddFilterGetInput2Outputs(component, CLSID_SmartTee, "Tee", tee, input, first, second));
  ComPtr<IBaseFilter> mux;
  ComPtr<IPin> muxInput;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_InfTee, "Mux", mux, muxInput));

  ComPtr<IPin> pin = CameraPin(component);
  ComPtr<IPin> used;
  ASSERT_TRUE(ConnectToFreeInputGetPin(component, pin, tee.Get(), used));
  EXPECT_FALSE(pin);
  EXPECT_EQ(used, input);
  // The tee's input is taken: nothing free is left for a second pin.
  ComPtr<IPin> next = first;
  EXPECT_FALSE(ConnectToFreeInput(component, next, tee.Get()));
  EXPECT_EQ(next, first);
  EXPECT_TRUE(ConnectToFreeInput(component, next, mux.Get()));
  EXPECT_FALSE(next);
}

TEST_F(GraphPrimitivesTest, PinsAreCountedAndTheRendererOfAMajorTypeIsFound) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IPin> video = CameraPin(component);
  ComPtr<IPin> sound = MicrophonePin(component);
  EXPECT_FALSE(
      FindRendererByMediaType(component.State().graph->filterGraph.Get(), MEDIATYPE_Video));

  ComPtr<IBaseFilter> unconnected;
  ComPtr<IPin> input;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_NullRenderer, "Idle", unconnected, input));
  ComPtr<IBaseFilter> soundSink;
  ASSERT_TRUE(InsertFilter(component, CLSID_NullRenderer, "Sound Sink", sound, soundSink));
  ComPtr<IBaseFilter> converter;
  ASSERT_TRUE(InsertFilterInline(component, CLSID_Colour, "Converter", video, converter));
  ComPtr<IBaseFilter> videoSink;
  ASSERT_TRUE(InsertFilter(component, CLSID_NullRenderer, "Video Sink", video, videoSink));

  IFilterGraph* graph = component.State().graph->filterGraph.Get();
  EXPECT_TRUE(IsSameObject(FindRendererByMediaType(graph, MEDIATYPE_Video).Get(), videoSink.Get()));
  EXPECT_TRUE(IsSameObject(FindRendererByMediaType(graph, MEDIATYPE_Audio).Get(), soundSink.Get()));
  EXPECT_FALSE(FindRendererByMediaType(graph, MEDIATYPE_Interleaved));

  ComPtr<IBaseFilter> tee;
  ASSERT_EQ(CoCreateInstance(CLSID_SmartTee, &tee), S_OK);
  const TPinCount count = CountPins(tee.Get());
  EXPECT_EQ(count.Inputs, 1);
  EXPECT_EQ(count.Outputs, 2);
  EXPECT_EQ(PinName(GetPinByDirection(tee.Get(), PINDIR_OUTPUT, 1).Get()), "Preview");
  EXPECT_FALSE(GetPinByDirection(tee.Get(), PINDIR_OUTPUT, 2));
  EXPECT_FALSE(GetPinByDirection(tee.Get(), PINDIR_INPUT, 1));
}

TEST_F(GraphPrimitivesTest, AGrabberIsSetUpForItsRoleBeforeItConnects) {
  TRavorOderiri& component = ComponentWithGraph();  // installed the grabber modules
  ComPtr<IPin> pin = CameraPin(component);
  TGrabberControl* record = nullptr;
  ASSERT_TRUE(InsertFilter1grabber(component, CLSID_InplGrabber, " Frame Grabber", pin, record,
                                   kModeFrameGrabber, 1, 1, &MEDIASUBTYPE_RGB24));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->Mode, kModeFrameGrabber);
  EXPECT_EQ(record->CopyFrames, 1);
  EXPECT_EQ(record->CheckInputFormat, 1);
  EXPECT_EQ(record->RequiredSubtype, &MEDIASUBTYPE_RGB24);
  EXPECT_TRUE(InGraph(component, " Frame Grabber"));
  // The RGB24 it requires came through a converter the graph put in front of it.
  const ComPtr<IBaseFilter> grabber = Owner(pin.Get());
  AM_MEDIA_TYPE input{};
  ASSERT_EQ(GetPinByDirection(grabber.Get(), PINDIR_INPUT, 0)->ConnectionMediaType(&input), S_OK);
  EXPECT_EQ(input.subtype, MEDIASUBTYPE_RGB24);
  FreeMediaType(input);

  // A filter without the grabber interface fails quietly and keeps the pin.
  const ComPtr<IPin> kept = pin;
  EXPECT_FALSE(InsertFilter1grabber(component, CLSID_Colour, "Not A Grabber", pin, record,
                                    kModeFrameNotifier, 0, 0, nullptr));
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(pin, kept);
  EXPECT_EQ(LogText().find("cannot connect Not A Grabber"), std::string::npos);
}

TEST_F(GraphPrimitivesTest, AFilterWithoutSavedStateIsInsertedWithItsDefaults) {
  TRavorOderiri& component = ComponentWithGraph();
  ComPtr<IPin> pin = CameraPin(component);
  const std::string key = "\\Software\\RavorOderiri\\ThirdPartyFilters\\{nothing saved}";
  ASSERT_TRUE(InsertFilterAndRestoreState(component, CLSID_Colour, "Converter", pin, key));
  EXPECT_TRUE(LogHasLine("AddFilterGetInputOutput ok: Converter"));
  EXPECT_TRUE(pin);

  ComPtr<IBaseFilter> sink;
  ComPtr<IPin> sinkInput;
  ASSERT_TRUE(AddFilterGetInput(component, CLSID_NullRenderer, "Sink", sink, sinkInput));
  ASSERT_TRUE(ConnectPins(component, pin.Get(), sinkInput.Get()));
  EXPECT_FALSE(InsertFilterAndRestoreState(component, CLSID_Colour, "Second", pin, key));
  EXPECT_TRUE(LogHasLine("ERROR: InsertFilterAndRestoreState cannot connect Second"));
}

}  // namespace
}  // namespace rudozav_test
