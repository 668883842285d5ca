// graphtool: looks at the media framework from the command line.
//
//   graphtool list                  the devices of each category, with display names, pins and
//                                   stream capabilities
//   graphtool run [index] [frames]  runs video device index (default 0) into a renderer until it
//                                   has seen frames samples (default 100) and prints what it saw
//   graphtool listen [index] [secs] captures from audio device index (default 0) for secs seconds
//                                   (default 5): sound frames, peak level and overruns
//
// V4L2 cameras are listed first. Set RUDOZAV_VIRTUAL_DEVICES=demo (or a description file) for
// virtual devices, RUDOZAV_FAKE_V4L2=demo for V4L2 nodes of the in-memory driver.

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "clock/Clock.h"
#include "com/Com.h"
#include "devices/capture/DeviceControls.h"
#include "dshow/AudioMediaType.h"
#include "dshow/DShow.h"
#include "dshow/base/BaseRenderer.h"

namespace {

struct Category {
  const char* name;
  const GUID* clsid;
};

const Category kCategories[] = {
    {"Video Device", &CLSID_VideoInputDeviceCategory},
    {"Audio Device", &CLSID_AudioInputDeviceCategory},
    {"Video Compressor", &CLSID_VideoCompressorCategory},
    {"Audio Compressor", &CLSID_AudioCompressorCategory},
};

struct Device {
  ComPtr<IMoniker> moniker;
  std::string displayName;
  std::string friendlyName;
  std::string clsid;
  std::string devicePath;
};

std::string ReadBagString(IMoniker* moniker, const char* name) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IPropertyBag::iid,
                                    bag.ReleaseAndGetVoidAddress()))) {
    return {};
  }
  VARIANT value;
  if (FAILED(bag->Read(name, &value, nullptr)) || value.String() == nullptr) return {};
  return *value.String();
}

std::vector<Device> ListDevices(const GUID& category) {
  std::vector<Device> devices;
  ComPtr<ICreateDevEnum> deviceEnum;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, &deviceEnum))) return devices;
  ComPtr<IEnumMoniker> monikers;
  if (deviceEnum->CreateClassEnumerator(category, monikers.ReleaseAndGetAddressOf(), 0) != S_OK) {
    return devices;
  }
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    Device device;
    device.moniker = moniker;
    LPOLESTR name = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &name)) && name != nullptr) {
      device.displayName = name;
      CoTaskMemFree(name);
    }
    device.friendlyName = ReadBagString(moniker.Get(), "FriendlyName");
    device.clsid = ReadBagString(moniker.Get(), "CLSID");
    device.devicePath = ReadBagString(moniker.Get(), "DevicePath");
    devices.push_back(std::move(device));
  }
  return devices;
}

std::string PinCategoryName(IPin* pin) {
  ComPtr<IKsPropertySet> properties = ComPtr<IPin>(pin).As<IKsPropertySet>();
  if (!properties) return "-";
  GUID category{};
  DWORD returned = 0;
  if (FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                             sizeof category, &returned))) {
    return "-";
  }
  struct Named {
    const GUID* guid;
    const char* name;
  };
  static const Named kNames[] = {
      {&PIN_CATEGORY_CAPTURE, "capture"},
      {&PIN_CATEGORY_PREVIEW, "preview"},
      {&PIN_CATEGORY_VIDEOPORT, "video port"},
      {&PIN_CATEGORY_ANALOGVIDEOIN, "analog video in"},
      {&PIN_CATEGORY_VBI, "vbi"},
      {&PIN_CATEGORY_STILL, "still"},
      {&PIN_CATEGORY_TIMECODE, "time code"},
  };
  for (const auto& named : kNames) {
    if (*named.guid == category) return named.name;
  }
  return StringFromGUID(category);
}

void PrintStreamCaps(IPin* pin) {
  ComPtr<IAMStreamConfig> config = ComPtr<IPin>(pin).As<IAMStreamConfig>();
  if (!config) return;
  int count = 0;
  int size = 0;
  if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size <= 0) return;
  std::vector<BYTE> caps(static_cast<std::size_t>(size));
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    if (config->GetStreamCaps(i, &type, caps.data()) != S_OK || type == nullptr) continue;
    std::printf("      cap %d: %s\n", i, MediaTypeText(*type).c_str());
    DeleteMediaType(type);
  }
}

// The device's whole control list, where it has one (V4L2 cameras).
void PrintControls(IBaseFilter* filter) {
  ComPtr<devices::IDeviceControls> controls =
      ComPtr<IBaseFilter>(filter).As<devices::IDeviceControls>();
  std::vector<devices::DeviceControlInfo> list;
  if (!controls || FAILED(controls->GetControls(&list))) return;
  for (const auto& control : list) {
    std::int32_t value = 0;
    const bool read = SUCCEEDED(controls->GetValue(control.id, &value));
    std::printf("    control \"%s\" %d..%d step %d default %d value %s%s\n", control.name.c_str(),
                control.minimum, control.maximum, control.step, control.defaultValue,
                read ? std::to_string(value).c_str() : "?", control.inactive ? " (inactive)" : "");
    for (const auto& [item, text] : control.menu)
      std::printf("      %d: %s\n", item, text.c_str());
  }
}

void PrintPins(IMoniker* moniker) {
  ComPtr<IBaseFilter> filter;
  const HRESULT hr =
      moniker->BindToObject(nullptr, nullptr, IBaseFilter::iid, filter.ReleaseAndGetVoidAddress());
  if (FAILED(hr)) {
    std::printf("    (cannot bind: %s)\n", HResultText(hr).c_str());
    return;
  }
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.ReleaseAndGetAddressOf()))) return;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_INFO info;
    if (FAILED(pin->QueryPinInfo(&info))) continue;
    std::printf("    pin \"%s\" %s, %s\n", info.achName.c_str(),
                info.dir == PINDIR_INPUT ? "in" : "out", PinCategoryName(pin.Get()).c_str());
    PrintStreamCaps(pin.Get());
  }
  PrintControls(filter.Get());
}

int List() {
  for (const auto& category : kCategories) {
    const auto devices = ListDevices(*category.clsid);
    std::printf("%s: %zu\n", category.name, devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
      const Device& device = devices[i];
      std::printf("  [%zu] %s\n      %s\n      CLSID %s\n", i, device.friendlyName.c_str(),
                  device.displayName.c_str(), device.clsid.c_str());
      if (!device.devicePath.empty()) std::printf("      path %s\n", device.devicePath.c_str());
      if (category.clsid == &CLSID_VideoInputDeviceCategory ||
          category.clsid == &CLSID_AudioInputDeviceCategory) {
        PrintPins(device.moniker.Get());
      }
    }
  }
  return 0;
}

// Counts what arrives; accepts any video type.
class CountingRenderer final : public CBaseRenderer {
 public:
  CountingRenderer() : CBaseRenderer(GUID_NULL) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    return type != nullptr && type->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  // Streaming thread.
  HRESULT DoRenderSample(IMediaSample* sample) override {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) {
      if (frames_.load() == 0) firstTime_ = start;
      lastTime_ = start;
    }
    bytes_ += static_cast<std::uint64_t>(sample->GetActualDataLength());
    frames_.fetch_add(1);
    return S_OK;
  }

  int Frames() const { return frames_.load(); }
  // Read after the graph stopped.
  REFERENCE_TIME FirstTime() const { return firstTime_; }
  REFERENCE_TIME LastTime() const { return lastTime_; }
  std::uint64_t Bytes() const { return bytes_; }

 private:
  std::atomic<int> frames_{0};
  REFERENCE_TIME firstTime_ = 0;
  REFERENCE_TIME lastTime_ = 0;
  std::uint64_t bytes_ = 0;
};

// Takes 8- and 16-bit PCM and keeps its loudest sample.
class SoundMeter final : public CBaseRenderer {
 public:
  SoundMeter() : CBaseRenderer(GUID_NULL) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    const WAVEFORMATEX* format = type != nullptr ? WaveFormatOf(*type) : nullptr;
    if (format == nullptr || type->subtype != MEDIASUBTYPE_PCM) return VFW_E_TYPE_NOT_ACCEPTED;
    if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) return VFW_E_TYPE_NOT_ACCEPTED;
    bits_ = format->wBitsPerSample;
    blockAlign_ = format->nBlockAlign;
    return S_OK;
  }
  // Streaming thread.
  HRESULT DoRenderSample(IMediaSample* sample) override {
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) return S_OK;
    const long bytes = sample->GetActualDataLength();
    int peak = peak_.load();
    if (bits_ == 16) {
      for (long i = 0; i + 1 < bytes; i += 2) {
        const auto value = static_cast<std::int16_t>(data[i] | (data[i + 1] << 8));
        peak = std::max(peak, std::abs(static_cast<int>(value)) * 100 / 32768);
      }
    } else {
      for (long i = 0; i < bytes; ++i)
        peak = std::max(peak, std::abs(data[i] - 128) * 100 / 128);
    }
    peak_.store(peak);
    frames_.fetch_add(blockAlign_ > 0 ? bytes / blockAlign_ : 0);
    return S_OK;
  }

  long Frames() const { return frames_.load(); }
  int PeakPercent() const { return peak_.load(); }

 private:
  WORD bits_ = 16;  // set while connecting, before streaming
  WORD blockAlign_ = 0;
  std::atomic<long> frames_{0};
  std::atomic<int> peak_{0};
};

bool Check(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return true;
  std::fprintf(stderr, "graphtool: %s failed: %s\n", what, HResultText(hr).c_str());
  return false;
}

void PrintEvents(IMediaEventEx* events) {
  LONG code = 0;
  LONG_PTR p1 = 0;
  LONG_PTR p2 = 0;
  while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    std::printf("event %ld (%ld, %ld)\n", static_cast<long>(code), static_cast<long>(p1),
                static_cast<long>(p2));
    events->FreeEventParams(code, p1, p2);
  }
}

// A device of a category in a graph of its own, with the renderer that takes its stream.
struct DeviceGraph {
  Device device;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source;
};

// The index-th device of the category, bound and added to a new graph; nullopt, said on standard
// error, when there is no such device or it cannot be bound.
std::optional<DeviceGraph> OpenDevice(const GUID& category, const char* kind, std::size_t index) {
  const auto devices = ListDevices(category);
  if (index >= devices.size()) {
    std::fprintf(stderr, "graphtool: no %s device %zu (%zu found)\n", kind, index, devices.size());
    return std::nullopt;
  }
  DeviceGraph opened{devices[index], {}, {}};
  if (!Check(CoCreateInstance(CLSID_FilterGraph, &opened.graph), "creating the filter graph") ||
      !Check(opened.device.moniker->BindToObject(nullptr, nullptr, IBaseFilter::iid,
                                                 opened.source.ReleaseAndGetVoidAddress()),
             "binding the device") ||
      !Check(opened.graph->AddFilter(opened.source.Get(), opened.device.friendlyName.c_str()),
             "adding the device")) {
    return std::nullopt;
  }
  return opened;
}

// Adds the renderer, connects the pin to it and prints the device and the connected format.
bool ConnectRenderer(const DeviceGraph& opened, IPin* pin, CBaseRenderer* renderer,
                     const char* name) {
  if (pin == nullptr || !Check(opened.graph->AddFilter(renderer, name), "adding the renderer") ||
      !Check(opened.graph->Connect(pin, renderer->InputPin()), "connecting")) {
    return false;
  }
  AM_MEDIA_TYPE connected{};
  if (SUCCEEDED(renderer->InputPin()->ConnectionMediaType(&connected))) {
    std::printf("device: %s\nformat: %s\n", opened.device.friendlyName.c_str(),
                MediaTypeText(connected).c_str());
    FreeMediaType(connected);
  }
  return true;
}

int Run(std::size_t index, int frames) {
  auto opened = OpenDevice(CLSID_VideoInputDeviceCategory, "video", index);
  if (!opened) return 1;
  ComPtr<ICaptureGraphBuilder2> builder;
  if (!Check(CoCreateInstance(CLSID_CaptureGraphBuilder2, &builder), "creating the builder") ||
      !Check(builder->SetFiltergraph(opened->graph.Get()), "SetFiltergraph")) {
    return 1;
  }
  const ComPtr<IGraphBuilder>& graph = opened->graph;
  const ComPtr<IBaseFilter>& source = opened->source;
  ComPtr<IPin> capture;
  if (!Check(builder->FindPin(source.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                              TRUE, 0, capture.ReleaseAndGetAddressOf()),
             "finding the capture pin")) {
    return 1;
  }
  auto renderer = MakeComObject<CountingRenderer>();
  if (!ConnectRenderer(*opened, capture.Get(), renderer.Get(), "Counting Renderer")) return 1;
  auto control = graph.As<IMediaControl>();
  auto events = graph.As<IMediaEventEx>();
  if (!control || !Check(control->Run(), "running the graph")) return 1;
  const DWORD started = GetTickCount();
  const DWORD limit = 60000;
  while (renderer->Frames() < frames && GetTickCount() - started < limit) {
    QCoreApplication::processEvents();
    Sleep(5);
  }
  const DWORD elapsed = GetTickCount() - started;
  Check(control->Stop(), "stopping the graph");
  const int seen = renderer->Frames();
  std::printf("frames: %d in %u ms", seen, static_cast<unsigned>(elapsed));
  if (seen > 1) {
    const double span = static_cast<double>(renderer->LastTime() - renderer->FirstTime()) / 1e7;
    std::printf(", stream time %.3f s, %.2f frames/s", span, span > 0 ? (seen - 1) / span : 0.0);
  }
  std::printf(", %llu bytes", static_cast<unsigned long long>(renderer->Bytes()));
  LONG dropped = 0;
  const auto counter = capture.As<IAMDroppedFrames>();
  if (counter && SUCCEEDED(counter->GetNumDropped(&dropped)))
    std::printf(", %ld dropped", static_cast<long>(dropped));
  std::printf("\n");
  if (events) PrintEvents(events.Get());
  graph->RemoveFilter(renderer.Get());
  graph->RemoveFilter(source.Get());
  return seen >= frames ? 0 : 1;
}

int Listen(std::size_t index, int seconds) {
  auto opened = OpenDevice(CLSID_AudioInputDeviceCategory, "audio", index);
  if (!opened) return 1;
  const ComPtr<IGraphBuilder>& graph = opened->graph;
  const ComPtr<IBaseFilter>& source = opened->source;
  ComPtr<IEnumPins> pins;
  ComPtr<IPin> capture;
  if (SUCCEEDED(source->EnumPins(pins.ReleaseAndGetAddressOf()))) {
    pins->Next(1, capture.ReleaseAndGetAddressOf(), nullptr);  // a sound input has one pin
  }
  auto meter = MakeComObject<SoundMeter>();
  if (!ConnectRenderer(*opened, capture.Get(), meter.Get(), "Sound Meter")) return 1;
  auto control = graph.As<IMediaControl>();
  auto events = graph.As<IMediaEventEx>();
  if (!control || !Check(control->Run(), "running the graph")) return 1;
  const DWORD started = GetTickCount();
  while (GetTickCount() - started < static_cast<DWORD>(seconds) * 1000) {
    QCoreApplication::processEvents();
    Sleep(5);
  }
  Check(control->Stop(), "stopping the graph");
  LONG overruns = 0;
  const auto counter = capture.As<IAMDroppedFrames>();
  if (counter) counter->GetNumDropped(&overruns);
  std::printf("frames: %ld in %d s, peak %d%%, %ld overruns\n", meter->Frames(), seconds,
              meter->PeakPercent(), static_cast<long>(overruns));
  if (events) PrintEvents(events.Get());
  graph->RemoveFilter(meter.Get());
  graph->RemoveFilter(source.Get());
  return meter->Frames() > 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: graphtool list\n"
               "       graphtool run [video-device-index] [frames]\n"
               "       graphtool listen [audio-device-index] [seconds]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  CoInitialize(nullptr);
  int result = 2;
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "list" && argc == 2) {
    result = List();
  } else if (command == "run" && argc <= 4) {
    const long index = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    const long frames = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 100;
    result = index < 0 || frames <= 0 ? Usage() : Run(static_cast<std::size_t>(index), frames);
  } else if (command == "listen" && argc <= 4) {
    const long index = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;
    const long seconds = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 5;
    result = index < 0 || seconds <= 0 || seconds > 3600
                 ? Usage()
                 : Listen(static_cast<std::size_t>(index), static_cast<int>(seconds));
  } else {
    result = Usage();
  }
  CoUninitialize();
  return result;
}
