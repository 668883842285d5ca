// Discovering the formats of a capture pin: its subtypes, and the frame sizes it accepts, found
// by asking it about sizes derived from its capabilities and a fixed set of common sizes.

#include "rudozav/devices/FormatDiscovery.h"

#include <climits>
#include <cstdio>
#include <utility>

#include "com/Guid.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FormatText.h"
#include "rudozav/devices/InterfaceSearch.h"
#include "rudozav/devices/SettingsStore.h"
#include "ui/Application.h"

namespace {

constexpr std::pair<int, int> kCommonSizes[] = {
    {128, 96},    {160, 120},   {176, 144},   {240, 176},   {320, 240},   {352, 288},
    {360, 120},   {360, 144},   {360, 240},   {360, 288},   {640, 480},   {800, 600},
    {1024, 768},  {1152, 864},  {1280, 1024}, {1600, 1200}, {1792, 1344}, {1800, 1440},
    {1856, 1392}, {1920, 1080}, {1920, 1200}, {1920, 1440}, {2048, 1536}};

constexpr int kEnumMinWidth = 80;
constexpr int kEnumMinHeight = 60;
constexpr int kEnumMaxWidth = 2048;
constexpr int kEnumMaxHeight = 1536;

std::string ListValueName(const char* prefix, std::size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "%s%.3u", prefix, static_cast<unsigned>(index));
  return name;
}

std::string DeviceName(const TRavorOderiri& component) {
  const TDevices* list = VideoDeviceList();
  const int index = component.CurrentDeviceIndex();
  if (list == nullptr || index < 0 || index >= list->Count()) return {};
  return list->Items[static_cast<std::size_t>(index)].Name;
}

// One discovery run: the lists being built and the sizes the pin refused.
class TFormatProbe {
 public:
  TFormatProbe(TRavorOderiri& component, IPin& pin) : state_(component.State()), pin_(pin) {}

  void ExamineSubtype(const AM_MEDIA_TYPE& mediaType) {
    const std::string text = StringFromGUID(mediaType.subtype);
    WriteProcessLog("seen: " + text);
    if (IsDVSubtypeName(SubtypeName(text))) state_.settings[rs_IsDigitalVideoIn].BoolValue = true;
    if (!ContainsEntry(state_.subtypeList, text)) {
      state_.subtypeList.push_back(text);
      WriteProcessLog("\n>>> adding subtype: " + text + "\n");
    }
  }

  // Tries the sizes derived from the media type's own size and the bounds.
  void SearchSizesOf(AM_MEDIA_TYPE& mediaType, int kind, int minWidth, int minHeight, int maxWidth,
                     int maxHeight) {
    const BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
    if (header == nullptr) return;
    SearchSizes(header->biWidth, header->biHeight, minWidth, minHeight, maxWidth, maxHeight,
                [&](int width, int height) { TestSize(mediaType, kind, width, height); });
  }

 private:
  void TestSize(AM_MEDIA_TYPE& mediaType, int kind, int width, int height) {
    const std::string text = SizeText(width, height);
    if (ContainsEntry(state_.sizeList, text) || ContainsEntry(rejected_, text)) return;
    BITMAPINFOHEADER* header = BitmapHeaderOf(mediaType);
    header->biWidth = width;
    header->biHeight = height;
    if (pin_.QueryAccept(&mediaType) != S_OK) {
      rejected_.push_back(text);
      return;
    }
    if (state_.sizeList.empty()) AddSizeEntry(state_.sizeList, DefaultSizeEntry(text));
    AddSizeEntry(state_.sizeList, text);
    WriteProcessLog((kind == 1 ? "VideoInfo: adding size: " : "VideoInfo2: adding size: ") + text);
  }

  TRavorOdeririState& state_;
  IPin& pin_;
  std::vector<std::string> rejected_;  // sizes refused during this run
};

void LoopCapabilities(TFormatProbe& probe, IAMStreamConfig& config, int count) {
  WriteProcessLog("CapAvail: looping capabilities " + std::to_string(count));
  for (int i = 0; i < count; ++i) {
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* handedOut = nullptr;
    if (FAILED(config.GetStreamCaps(i, &handedOut, reinterpret_cast<BYTE*>(&caps))) ||
        handedOut == nullptr) {
      DeleteMediaType(handedOut);
      continue;
    }
    MediaType mediaType = MediaType::Adopt(handedOut);
    // Every capability names a subtype; a DV pin's interleaved capabilities have no sizes but
    // are what makes the device a DV device.
    probe.ExamineSubtype(mediaType.Get());
    const int kind = FormatKind(mediaType.Get());
    if (kind != 1 && kind != 2) continue;
    probe.SearchSizesOf(mediaType.Get(), kind, caps.MinOutputSize.cx, caps.MinOutputSize.cy,
                        caps.MaxOutputSize.cx, caps.MaxOutputSize.cy);
    ui::ProcessMessages();
  }
}

void EnumerateMediaTypes(TFormatProbe& probe, IPin& pin) {
  WriteProcessLog("No CapAvail: enumerating media types");
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin.EnumMediaTypes(types.ReleaseAndGetAddressOf())) || !types) return;
  types->Reset();
  for (;;) {
    AM_MEDIA_TYPE* handedOut = nullptr;
    if (types->Next(1, &handedOut, nullptr) != S_OK || handedOut == nullptr) {
      DeleteMediaType(handedOut);
      break;
    }
    MediaType mediaType = MediaType::Adopt(handedOut);
    probe.ExamineSubtype(mediaType.Get());
    const int kind = FormatKind(mediaType.Get());
    if (kind != 1 && kind != 2) continue;
    probe.SearchSizesOf(mediaType.Get(), kind, kEnumMinWidth, kEnumMinHeight, kEnumMaxWidth,
                        kEnumMaxHeight);
    ui::ProcessMessages();
  }
}

// The number of capabilities to loop over; 0 means the media types are enumerated instead.
int CapabilityCount(IAMStreamConfig* config) {
  if (config == nullptr) return 0;
  WriteProcessLog("searching number of capabilities");
  int count = 0;
  int size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size))) {
    WriteProcessLog("searching number of capabilities: no AMVideoStreamConfig");
    return 0;
  }
  if (count < 1) {
    WriteProcessLog("number of capabilities = 0");
    return 0;
  }
  WriteProcessLog("number of capabilities ok");
  return count;
}

void WriteFormatLists(const TRavorOderiri& component, const TRavorOdeririState& state) {
  const std::string keyPath = DeviceKeyPath(component);
  TRegistry2 registry;
  if (keyPath.empty() || !registry.OpenKey(keyPath, true)) return;
  for (std::size_t i = 0; i < state.sizeList.size(); ++i)
    registry.WriteString(ListValueName("FMT", i), state.sizeList[i]);
  for (std::size_t i = 0; i < state.subtypeList.size(); ++i)
    registry.WriteString(ListValueName("SBT", i), state.subtypeList[i]);
}

void ReadList(const TRegistry2& registry, const char* prefix, std::vector<std::string>& list) {
  list.clear();
  for (std::size_t i = 0;; ++i) {
    std::string value;
    if (!registry.ReadString(ListValueName(prefix, i), &value) || value.empty()) break;
    list.push_back(std::move(value));
  }
}

// Doubles both sides; false when that would overflow.
bool Doubled(int& width, int& height) {
  if (width > INT_MAX / 2 || height > INT_MAX / 2 || width < INT_MIN / 2 || height < INT_MIN / 2)
    return false;
  width *= 2;
  height *= 2;
  return true;
}

}  // namespace

void SearchSizes(int width, int height, int minWidth, int minHeight, int maxWidth, int maxHeight,
                 const std::function<void(int, int)>& test) {
  std::vector<std::pair<int, int>> starts{
      {width, height}, {minWidth, minHeight}, {maxWidth, maxHeight}};
  starts.insert(starts.end(), std::begin(kCommonSizes), std::end(kCommonSizes));
  for (auto [w0, h0] : starts) {
    if (h0 > w0) h0 /= 2;
    int w = w0;
    int h = h0;
    for (; w >= minWidth && w != 0 && h != 0; w /= 2, h /= 2)
      test(w, h);
    for (w = w0, h = h0; h >= minHeight && w != 0 && h != 0; w /= 2, h /= 2)
      test(w, h);
    for (w = w0, h = h0; w <= maxWidth && w != 0 && h != 0;) {
      test(w, h);
      if (!Doubled(w, h)) break;
    }
    for (w = w0, h = h0; h <= maxHeight && w != 0 && h != 0;) {
      test(w, h);
      if (!Doubled(w, h)) break;
    }
  }
}

void DiscoverFormats(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  const std::string name = DeviceName(component);
  WriteProcessLog('-', "BEGIN Discovering formats for " + name);
  state.sizeList.clear();
  state.subtypeList.clear();
  const ComPtr<IPin> pin =
      FindOutputPin(state.graph->captureBuilder.Get(), state.graph->videoCaptureFilter.Get(),
                    &PIN_CATEGORY_CAPTURE, &state.graph->streamMajorType, false);
  if (!pin) {
    WriteProcessLog("ERROR: NO OUPTUT PIN FOUND IN FORMAT DISCOVERING");
  } else {
    TFormatProbe probe(component, *pin);
    const ComPtr<IAMStreamConfig> config = pin.As<IAMStreamConfig>();
    if (const int count = CapabilityCount(config.Get()); count > 0) {
      LoopCapabilities(probe, *config, count);
    } else {
      EnumerateMediaTypes(probe, *pin);
    }
    if (!state.subtypeList.empty())
      state.subtypeList.insert(state.subtypeList.begin(), state.subtypeList.front());
    if (component.IsDVDevice()) state.sizeList.assign(kDVSizeEntries.begin(), kDVSizeEntries.end());
    WriteFormatLists(component, state);
  }
  WriteProcessLog('-', "END Discovering formats for " + name);
}

void LoadFormatLists(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  state.sizeList.clear();
  state.subtypeList.clear();
  const std::string keyPath = DeviceKeyPath(component);
  TRegistry2 registry;
  if (!keyPath.empty() && registry.OpenKeyReadOnly(keyPath)) {
    ReadList(registry, "FMT", state.sizeList);
    ReadList(registry, "SBT", state.subtypeList);
  }
  if ((!component.IsDVDevice() && state.sizeList.empty()) || state.subtypeList.empty())
    WriteProcessLog("ERROR when loading from registry: Formats or subtypes empty");
}
