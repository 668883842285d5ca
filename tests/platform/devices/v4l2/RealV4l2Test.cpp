// Every real V4L2 camera on the machine: listed, probed, and 30 frames through a graph. Skipped
// where there is none (build machines have no camera).

#include <gtest/gtest.h>

#include "../Binding.h"
#include "../TestSink.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "devices/v4l2/V4l2DeviceSource.h"
#include "platform/ui/TestApplication.h"

namespace devices_test {
namespace {

TEST(RealV4l2, EveryCameraListsProbesAndDeliversThirtyFrames) {
  ui_test::TestApplication();
  const auto api = devices::SystemV4l2Api();
  const auto nodes = devices::ListV4l2CaptureNodes(api);
  if (nodes.empty()) GTEST_SKIP() << "no V4L2 camera on this machine";
  for (const devices::V4l2CaptureNode& node : nodes) {
    SCOPED_TRACE(node.devnode + " " + node.friendlyName);
    EXPECT_FALSE(node.displayName.empty());
    HRESULT hr = E_FAIL;
    auto camera = devices::V4l2CaptureFilter::Open(api, node.devnode, node.friendlyName, &hr);
    ASSERT_TRUE(camera) << HResultText(hr);
    int count = 0;
    int size = 0;
    auto config = PinNamed(camera.Get(), "Capture").As<IAMStreamConfig>();
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_GT(count, 0);

    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
    auto sink = MakeComObject<TestSink>(
        [](const AM_MEDIA_TYPE& type) { return type.majortype == MEDIATYPE_Video; });
    ASSERT_EQ(graph->AddFilter(camera.Get(), "Camera"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(
        graph->ConnectDirect(PinNamed(camera.Get(), "Capture").Get(), sink->GetPin(0), nullptr),
        S_OK);
    auto control = graph.As<IMediaControl>();
    hr = control->Run();
    if (hr == devices::kDeviceInUse) {
      std::printf("%s is in use by another program; not streamed\n", node.devnode.c_str());
      continue;
    }
    ASSERT_TRUE(SUCCEEDED(hr)) << HResultText(hr);
    EXPECT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 30; }));
    EXPECT_EQ(control->Stop(), S_OK);
  }
}

}  // namespace
}  // namespace devices_test
