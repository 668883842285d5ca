#include "devices/v4l2/V4l2DeviceSource.h"

#include <linux/videodev2.h>

#include <cstring>
#include <memory>

#include "devices/DeviceMoniker.h"
#include "devices/capture/DeviceResults.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "devices/v4l2/V4l2Device.h"
#include "devices/v4l2/V4l2DisplayName.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

std::string Text(const __u8* bytes, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(bytes);
  return std::string(text, strnlen(text, size));
}

// Whether the open node captures video in a format it lists (a metadata node says it captures
// but has no video format).
bool CapturesVideo(const V4l2Device& device, v4l2_capability* caps) {
  if (device.Ioctl(VIDIOC_QUERYCAP, caps) < 0 || !IsVideoCaptureNode(*caps)) return false;
  v4l2_fmtdesc format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.index = 0;
  return device.Ioctl(VIDIOC_ENUM_FMT, &format) >= 0;
}

PropertyMap PropertiesOf(const V4l2CaptureNode& node) {
  PropertyMap properties;
  properties["FriendlyName"] = VARIANT(node.friendlyName);
  properties["CLSID"] = VARIANT(StringFromCLSID(CLSID_Proxy));
  properties["DevicePath"] = VARIANT(node.devnode);
  return properties;
}

}  // namespace

std::vector<V4l2CaptureNode> ListV4l2CaptureNodes(const std::shared_ptr<V4l2Api>& api) {
  std::vector<V4l2CaptureNode> nodes;
  for (const V4l2NodeInfo& info : api->ListNodes()) {
    int error = 0;
    const auto device = V4l2Device::Open(api, info.devnode, &error);
    if (!device) continue;  // gone again, or not ours to open
    v4l2_capability caps{};
    if (!CapturesVideo(*device, &caps)) continue;
    nodes.push_back({V4l2DisplayName(info), Text(caps.card, sizeof caps.card), info.devnode});
  }
  return nodes;
}

void V4l2DeviceSource::AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) {
  if (category != CLSID_VideoInputDeviceCategory) return;
  for (const V4l2CaptureNode& node : ListV4l2CaptureNodes(DefaultV4l2Api())) {
    monikers.push_back(
        MakeComObject<DeviceMoniker>(node.displayName, PropertiesOf(node), BindV4l2Device));
  }
}

HRESULT BindV4l2Device(const std::string& displayName, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const std::shared_ptr<V4l2Api> api = DefaultV4l2Api();
  for (const V4l2CaptureNode& node : ListV4l2CaptureNodes(api)) {
    if (node.displayName != displayName) continue;
    HRESULT hr = S_OK;
    const auto filter = V4l2CaptureFilter::Open(api, node.devnode, node.friendlyName, &hr);
    return filter ? filter->QueryInterface(riid, object) : hr;
  }
  return kDeviceNotConnected;
}

namespace {

const bool kRegistered = (AddDeviceSource(std::make_shared<V4l2DeviceSource>()), true);

}  // namespace

}  // namespace devices
