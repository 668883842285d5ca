// Virtual devices in the platform's filter graphs: the trial graph of VfW devices, a device held
// by one component's graph, and clearing a graph that holds filters.

#include <QTest>

#include "ComponentFixture.h"
#include "com/Com.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "dshow/base/MediaEventSink.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace rudozav_test {
namespace {

class DeviceGraphTest : public ComponentTest {
 protected:
  DeviceGraphTest() : ComponentTest(false, true) {}

  static ComPtr<IGraphBuilder> NewGraph() {
    ComPtr<IGraphBuilder> graph;
    EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, &graph)));
    return graph;
  }
};

TEST_F(DeviceGraphTest, AVfwDeviceThatCannotJoinAGraphIsLeftOut) {
  ASSERT_TRUE(virtualdevices::Plug(R"({"devices": [
    {"category": "video", "friendlyName": "Old Card", "kind": "vfw"},
    {"category": "video", "friendlyName": "Busy Card", "kind": "vfw",
     "faults": {"addFails": true}}]})"));
  TRavorOderiri& component = CreateLoaded();
  EXPECT_EQ(component.VideoDevices(), "Old Card (vfw)");
  EXPECT_EQ(VideoDeviceList()->EnumeratedCount, 2);
}

TEST_F(DeviceGraphTest, ACameraInOneComponentsGraphIsInUseUntilThatGraphIsCleared) {
  ASSERT_TRUE(virtualdevices::Plug(
      R"({"devices": [{"category": "video", "friendlyName": "Desk Camera"}]})"));
  TRavorOderiri& first = CreateLoaded();
  TRavorOderiri& second = CreateLoaded();
  first.State().graph->filterGraph = NewGraph();
  second.State().graph->filterGraph = NewGraph();
  const TDevices& cameras = *VideoDeviceList();
  int index = 0;
  bool usable = false;

  ComPtr<IBaseFilter> held;
  ASSERT_TRUE(BindDeviceFilter(first, cameras, index, usable, false, held));
  ComPtr<IBaseFilter> found;
  EXPECT_EQ(first.State().graph->filterGraph->FindFilterByName("Desk Camera (WDM) 0",
                                                               found.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_TRUE(IsSameObject(found.Get(), held.Get()));

  Record(second);
  ComPtr<IBaseFilter> refused;
  EXPECT_FALSE(BindDeviceFilter(second, cameras, index, usable, false, refused));
  EXPECT_EQ(events,
            std::vector<std::string>{"ErrorLog 97 Error: device Desk Camera (WDM) already in use"});

  first.ClearGraph();
  FILTER_INFO info;
  ASSERT_EQ(held->QueryFilterInfo(&info), S_OK);
  EXPECT_FALSE(info.pGraph);  // the filter left the graph before it went
  ComPtr<IBaseFilter> bound;
  EXPECT_TRUE(BindDeviceFilter(second, cameras, index, usable, false, bound));
  EXPECT_TRUE(usable);
}

TEST_F(DeviceGraphTest, ADeviceLostInTheGraphEndsThePreviewOfTheSoleCamera) {
  ASSERT_TRUE(virtualdevices::Plug(
      R"({"devices": [{"category": "video", "friendlyName": "Desk Camera"}]})"));
  TRavorOderiri& component = CreateLoaded();
  const ComPtr<IGraphBuilder> graph = NewGraph();
  TRavorOdeririState& state = component.State();
  state.graph->filterGraph = graph;
  state.graph->mediaControl = graph.As<IMediaControl>();
  state.graph->mediaEvent = graph.As<IMediaEventEx>();
  ASSERT_EQ(state.graph->mediaEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(&component),
                                                     TRavorOderiri::kGraphNotifyMessage, 0),
            S_OK);
  component.ChangeState(cs_Preview);
  Record(component);

  graph.As<IMediaEventSink>()->Notify(EC_DEVICE_LOST, 0, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return state.anyPending; }, 20000));
  component.PollTick();
  EXPECT_EQ(events, (std::vector<std::string>{"ErrorLog 47 Error: not previewing",
                                              "StateChanging 1 0", "DeviceLost"}));
  EXPECT_FALSE(state.graph->filterGraph);
}

}  // namespace
}  // namespace rudozav_test
