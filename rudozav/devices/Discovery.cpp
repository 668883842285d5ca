// Device discovery: the settings of a selected device come from its registry key when it was
// probed before, and from a probe graph otherwise.

#include "rudozav/devices/Discovery.h"

#include <string>

#include "registry/TRegistry2.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Crossbar.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FormatDiscovery.h"
#include "rudozav/devices/InterfaceSearch.h"
#include "rudozav/devices/SettingsStore.h"
#include "rudozav/graph/GraphBuilder.h"

namespace {

void WriteFlagLine(const std::string& text, bool flag) {
  WriteProcessLog(text + (flag ? ": YES" : ": no"));
}

std::string CurrentDeviceName(const TRavorOderiri& component) {
  const TDevices* list = VideoDeviceList();
  const int index = component.CurrentDeviceIndex();
  if (list == nullptr || index < 0 || index >= list->Count()) return {};
  return list->Items[static_cast<std::size_t>(index)].Name;
}

bool CurrentDeviceIsWDM(const TRavorOderiri& component) {
  const TDevices* list = VideoDeviceList();
  const int index = component.CurrentDeviceIndex();
  return list != nullptr && index >= 0 && index < list->Count() &&
         list->Items[static_cast<std::size_t>(index)].IsWDM;
}

// Whether a preview pin, or failing that a capture pin, takes an overlay media type.
void ProbeOverlay(TRavorOdeririState& state, ICaptureGraphBuilder2* builder, IBaseFilter* filter) {
  ComPtr<IPin> pin = FindOutputPin(builder, filter, &PIN_CATEGORY_PREVIEW, nullptr, true);
  if (pin) {
    WriteProcessLog("preview pin found");
  } else {
    WriteProcessLog("preview pin NOT found");
    pin = FindOutputPin(builder, filter, &PIN_CATEGORY_CAPTURE, nullptr, true);
    if (pin) WriteProcessLog("capture pin found");
  }
  if (!pin) {
    WriteProcessLog("no preview pin found");
    return;
  }
  AM_MEDIA_TYPE overlay;
  overlay.majortype = MEDIATYPE_Video;
  overlay.subtype = MEDIASUBTYPE_Overlay;
  overlay.bFixedSizeSamples = TRUE;
  overlay.bTemporalCompression = FALSE;
  overlay.lSampleSize = 1;
  overlay.formattype = FORMAT_VideoInfo;
  bool& available = state.settings[rs_IsOverlayAvailable].BoolValue;
  available = pin->QueryAccept(&overlay) == S_OK;
  WriteFlagLine("vfw video port", available);
}

void ProbeVfwDialogs(TRegSave& settings, ICaptureGraphBuilder2* builder, IBaseFilter* filter,
                     const GUID& majorType) {
  const auto dialogs =
      FindDeviceInterface<IAMVfwCaptureDialogs>(builder, &PIN_CATEGORY_CAPTURE, &majorType, filter);
  settings[rs_VfwCaptureDialogFormat].BoolValue =
      dialogs && dialogs->HasDialog(VfwCaptureDialog_Format) == S_OK;
  settings[rs_VfwCaptureDialogSource].BoolValue =
      dialogs && dialogs->HasDialog(VfwCaptureDialog_Source) == S_OK;
  settings[rs_VfwCaptureDialogDisplay].BoolValue =
      dialogs && dialogs->HasDialog(VfwCaptureDialog_Display) == S_OK;
}

void ProbeCrossbars(TRegSave& settings, ICaptureGraphBuilder2* builder, IBaseFilter* filter) {
  const auto crossbar = FindDeviceInterface<IAMCrossbar>(builder, nullptr, nullptr, filter);
  settings[rs_IsVideoCrossbarAvail].BoolValue = static_cast<bool>(crossbar);
  if (crossbar) {
    settings[rs_VideoCrossbarInputs].StrValue = ListVideoInputs(crossbar.Get());
    settings[rs_VideoCrossbarInput].IntValue = CurrentVideoInput(crossbar.Get());
    if (const auto crossbarFilter = crossbar.As<IBaseFilter>()) {
      settings[rs_IsAudioCrossbarAvail].BoolValue =
          static_cast<bool>(FindDeviceInterface<IAMCrossbar>(builder, &LOOK_UPSTREAM_ONLY, nullptr,
                                                             crossbarFilter.Get()));
    }
  }
  WriteFlagLine("video crossbar available", settings[rs_IsVideoCrossbarAvail].BoolValue);
  WriteFlagLine("audio crossbar available", settings[rs_IsAudioCrossbarAvail].BoolValue);
}

// The probe itself, once the graph holds the device.
void ProbeDevice(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  TRegSave& settings = state.settings;
  ICaptureGraphBuilder2* builder = state.graph->captureBuilder.Get();
  IBaseFilter* filter = state.graph->videoCaptureFilter.Get();

  settings[rs_IsVfw].BoolValue = !CurrentDeviceIsWDM(component);
  state.graph->streamMajorType = StreamMajorTypeOf(builder, filter);
  const GUID& majorType = state.graph->streamMajorType;
  WriteProcessLog(majorType == MEDIATYPE_Interleaved ? "MEDIATYPE_Interleaved" : "MEDIATYPE_Video");

  if (FindOutputPin(builder, filter, &PIN_CATEGORY_VIDEOPORT, &majorType, true)) {
    settings[rs_IsOverlayAvailable].BoolValue = true;
    WriteProcessLog("WDM video port");
  } else {
    settings[rs_IsOverlayAvailable].BoolValue = false;
    WriteProcessLog("WDM video port NOT found");
    ProbeOverlay(state, builder, filter);
  }

  ProbeVfwDialogs(settings, builder, filter, majorType);

  settings[rs_IsProcampAvail].BoolValue = static_cast<bool>(
      FindDeviceInterface<IAMVideoProcAmp>(builder, &PIN_CATEGORY_CAPTURE, &majorType, filter));
  WriteFlagLine("procamp available", settings[rs_IsProcampAvail].BoolValue);

  ProbeCrossbars(settings, builder, filter);

  settings[rs_IsTVTunerAvail].BoolValue =
      static_cast<bool>(FindDeviceInterface<IAMTVTuner>(builder, nullptr, nullptr, filter));
  WriteFlagLine("tv tuner available", settings[rs_IsTVTunerAvail].BoolValue);

  const auto decoder =
      FindDeviceInterface<IAMAnalogVideoDecoder>(builder, nullptr, nullptr, filter);
  settings[rs_IsAnalogVideoDecoderAvail].BoolValue = static_cast<bool>(decoder);
  WriteFlagLine("AnalogVideoDecoderAvail available", static_cast<bool>(decoder));
  if (decoder) {
    LONG formats = 0;
    if (SUCCEEDED(decoder->get_AvailableTVFormats(&formats)))
      settings[rs_ANTVFormats].IntValue = formats;
  }

  settings[rs_IsTVAudioAvail].BoolValue =
      static_cast<bool>(FindDeviceInterface<IAMTVAudio>(builder, nullptr, nullptr, filter));
  WriteFlagLine("TVAudioAvail available", settings[rs_IsTVAudioAvail].BoolValue);

  settings[rs_IsAnalogVideoIn].BoolValue = static_cast<bool>(
      FindOutputPin(builder, filter, &PIN_CATEGORY_ANALOGVIDEOIN, nullptr, false));
  WriteFlagLine("AnalogVideoIn", settings[rs_IsAnalogVideoIn].BoolValue);

  settings[rs_IsDigitalVideoIn].BoolValue = false;
  DiscoverFormats(component);
  WriteFlagLine("Digital video in", settings[rs_IsDigitalVideoIn].BoolValue);
}

// Clears the probe graph and announces the end, however the probe ended.
class TProbeEnd {
 public:
  TProbeEnd(TRavorOderiri& component, std::string name)
      : component_(component), name_(std::move(name)) {}
  ~TProbeEnd() {
    component_.ClearGraph();
    if (component_.OnDiscoveringNewDevice)
      component_.OnDiscoveringNewDevice(&component_, name_, true);
  }
  TProbeEnd(const TProbeEnd&) = delete;
  TProbeEnd& operator=(const TProbeEnd&) = delete;

 private:
  TRavorOderiri& component_;
  std::string name_;
};

}  // namespace

GUID StreamMajorTypeOf(ICaptureGraphBuilder2* builder, IBaseFilter* captureFilter) {
  return FindOutputPin(builder, captureFilter, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, true)
             ? MEDIATYPE_Interleaved
             : MEDIATYPE_Video;
}

bool DiscoverDevice(TRavorOderiri& component) {
  const std::string name = CurrentDeviceName(component);
  WriteProcessLog('~', "BEGIN Discovering " + name);
  if (component.OnDiscoveringNewDevice) component.OnDiscoveringNewDevice(&component, name, false);
  const TProbeEnd probeEnd(component, name);

  component.ClearGraph();
  TRavorOdeririState& state = component.State();
  const TDevices* list = VideoDeviceList();
  if (!CreateGraphBuilder(component) || list == nullptr ||
      !BindDeviceFilter(component, *list, state.currentDeviceIndex, state.videoDeviceUsable, false,
                        state.graph->videoCaptureFilter)) {
    return false;
  }
  ProbeDevice(component);
  WriteProcessLog('~', "END Discovering " + name);
  return true;
}

// ---- The component's steps -----------------------------------------------------------------

void TRavorOderiri::DiscoverSelectedDevice() {
  SetBusy(true);
  TRegSave& settings = state_->settings;
  ResetSavedSettings(settings);
  state_->crossbarInputPending = false;  // an input chosen for the device selected before
  state_->sizeList.clear();              // the lists belong to the device selected before
  state_->subtypeList.clear();
  const std::string keyPath = DeviceKeyPath(*this);
  if (!keyPath.empty() && TRegistry2().KeyExists(keyPath)) LoadDeviceSettings(*this);
  if (settings[rs_DeviceDiscovered].BoolValue) {
    LoadFormatLists(*this);
  } else if (DiscoverDevice(*this)) {
    settings[rs_DeviceDiscovered].BoolValue = true;
  }
  SaveDeviceSettings(*this);
  SetBusy(false);
}
