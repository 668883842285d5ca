// Setters of the published properties and the read-only queries.
//
// A deferred setter acts at once when the component may act now and is queued otherwise; its
// action (Apply...) is what the queue runs later.

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/LineList.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/OpCodes.h"
#include "rudozav/devices/CrossbarInput.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FormatText.h"

namespace errors = rudozav::errors;

namespace {

// Format lists are shown from loading on, once a device is selected.
bool HasFormatLists(const TRavorOderiri& component, const std::vector<std::string>& list) {
  const TDevices* devices = VideoDeviceList();
  const int index = component.CurrentDeviceIndex();
  return !TRavorOderiri::DesignMode() && component.IsInitialized() && devices != nullptr &&
         index >= 0 && index < devices->Count() && !list.empty();
}

}  // namespace

// ---- Deferred setters ----------------------------------------------------------------------

void TRavorOderiri::SetAudioCompressor(int value) {
  if (!MayActNow()) return Enqueue(op_AudioCompressor, value);
  ApplyAudioCompressor(value);
}

void TRavorOderiri::SetAudioDevice(int value) {
  if (!MayActNow()) return Enqueue(op_AudioDevice, value);
  SelectAudioDevice(value);
}

void TRavorOderiri::SetCompressionMode(TCompressionMode value) {
  if (!MayActNow()) return Enqueue(op_CompressionMode, value);
  ApplyCompressionMode(value);
}

void TRavorOderiri::SetCompressionType(TCompressionType value) {
  if (!MayActNow()) return Enqueue(op_CompressionType, value);
  ApplyCompressionType(value);
}

void TRavorOderiri::SetDeinterlacer(TDeinterlacer value) {
  if (!MayActNow()) return Enqueue(op_Deinterlacer, value);
  ApplyDeinterlacer(value);
}

void TRavorOderiri::SetDVCaptureMode(TDVCaptureMode value) {
  if (!MayActNow()) return Enqueue(op_DVCaptureMode, value);
  ApplyDVCaptureMode(value);
}

void TRavorOderiri::SetDVRgb219(bool value) {
  if (!MayActNow()) return Enqueue(op_DVRgb219, 0, value);
  ApplyDVRgb219(value);
}

void TRavorOderiri::SetDVReduceFrameRate(bool value) {
  if (!MayActNow()) return Enqueue(op_DVReduceFrameRate, 0, value);
  ApplyDVReduceFrameRate(value);
}

void TRavorOderiri::SetDVUseExternalAudio(bool value) {
  if (!MayActNow()) return Enqueue(op_DVUseExternalAudio, 0, value);
  ApplyDVUseExternalAudio(value);
}

void TRavorOderiri::SetFrameGrabberEnabled(bool value) {
  if (!MayActNow()) return Enqueue(op_FrameGrabberEnabled, 0, value);
  ApplyFrameGrabberEnabled(value);
}

void TRavorOderiri::SetFrameRate(double value) {
  if (!MayActNow()) return Enqueue(op_FrameRate, 0, false, value);
  ApplyFrameRate(value);
}

void TRavorOderiri::SetOverlayEnabled(bool value) {
  if (!MayActNow()) return Enqueue(op_OverlayEnabled, 0, value);
  ApplyOverlayEnabled(value);
}

void TRavorOderiri::SetRawFrameGrabberEnabled(bool value) {
  if (!MayActNow()) return Enqueue(op_RawFrameGrabberEnabled, 0, value);
  ApplyRawFrameGrabberEnabled(value);
}

void TRavorOderiri::SetRenderAudio(bool value) {
  if (!MayActNow()) return Enqueue(op_RenderAudio, 0, value);
  ApplyRenderAudio(value);
}

void TRavorOderiri::SetVideoCompressor(int value) {
  if (!MayActNow()) return Enqueue(op_VideoCompressor, value);
  ApplyVideoCompressor(value);
}

void TRavorOderiri::SetVideoCrossbarInput(int value) {
  if (!MayActNow()) return Enqueue(op_VideoCrossbarInput, value);
  ApplyVideoCrossbarInput(value);
}

void TRavorOderiri::SetVideoDevice(int value) {
  if (!MayActNow()) return Enqueue(op_VideoDevice, value);
  SelectVideoDevice(value);
}

void TRavorOderiri::SetVideoSize(int value) {
  if (!MayActNow()) return Enqueue(op_VideoSize, value);
  ApplyVideoSize(value);
}

void TRavorOderiri::SetVideoSubType(int value) {
  if (!MayActNow()) return Enqueue(op_VideoSubType, value);
  ApplyVideoSubType(value);
}

// ---- Actions of the deferred setters -------------------------------------------------------
// A setter given the value it holds already changes nothing and restarts nothing.

void TRavorOderiri::ApplyRestartRule() {
  if (IsOperational() && CheckState({cs_Down, cs_Preview}) && refreshPreviewOnParamChange_) {
    RestartGraph(true);
  }
}

void TRavorOderiri::ApplyAudioCompressor(int value) {
  if (value == audioCompressor_) return;
  if (rudozav::LogCheck(*this, value < 0, errors::kIndexOutOfRange)) return;
  audioCompressor_ = value;
}

void TRavorOderiri::ApplyVideoCompressor(int value) {
  if (value == videoCompressor_) return;
  if (rudozav::LogCheck(*this, value < 0, errors::kVideoCompressorIndexOutOfRange)) return;
  videoCompressor_ = value;
}

void TRavorOderiri::ApplyCompressionMode(TCompressionMode value) {
  if (value != compressionMode_ && CheckState({cs_Down, cs_Preview})) compressionMode_ = value;
}

void TRavorOderiri::ApplyCompressionType(TCompressionType value) {
  if (value != compressionType_ && CheckState({cs_Down, cs_Preview})) compressionType_ = value;
}

void TRavorOderiri::ApplyDeinterlacer(TDeinterlacer value) {
  if (value == deinterlacer_) return;
  deinterlacer_ = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyDVCaptureMode(TDVCaptureMode value) {
  if (value == dvCaptureMode_) return;
  dvCaptureMode_ = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyDVRgb219(bool value) {
  if (value == DVRgb219()) return;
  state_->settings[rs_DVRgb219].BoolValue = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyDVReduceFrameRate(bool value) {
  if (value == DVReduceFrameRate()) return;
  state_->settings[rs_DVReduceFrameRate].BoolValue = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyDVUseExternalAudio(bool value) {
  if (value == DVUseExternalAudio()) return;
  state_->settings[rs_DVUseExternalAudio].BoolValue = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyFrameGrabberEnabled(bool value) {
  if (value == frameGrabberEnabled_) return;
  frameGrabberEnabled_ = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyRawFrameGrabberEnabled(bool value) {
  if (value == rawFrameGrabberEnabled_) return;
  rawFrameGrabberEnabled_ = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyRenderAudio(bool value) {
  if (value == renderAudio_) return;
  renderAudio_ = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyVideoSize(int value) {
  std::int32_t& index = state_->settings[rs_VideoSize].IntValue;
  if (value == index) return;
  index = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyVideoSubType(int value) {
  std::int32_t& index = state_->settings[rs_VideoSubtype].IntValue;
  if (value == index) return;
  index = value;
  ApplyRestartRule();
}

void TRavorOderiri::ApplyVideoCrossbarInput(int value) {
  std::int32_t& input = state_->settings[rs_VideoCrossbarInput].IntValue;
  if (value == input) return;
  if (rudozav::LogCheck(*this, value < 0, errors::kCrossbarInputIndexOutOfRange)) return;
  input = value;
  if (DesignMode()) return;
  state_->crossbarInputPending = true;
  RouteVideoCrossbarInput(*this);
}

void TRavorOderiri::ApplyFrameRate(double value) {
  double& rate = state_->settings[rs_FrameRate].FloatValue;
  if (value == rate || value <= 0) return;
  if (DesignMode()) {
    rate = value;
    return;
  }
  if (!IsOperational() || !CheckState({cs_Down, cs_Preview})) return;
  if (rudozav::LogCheck(*this, IsDVDevice(), errors::kDoesNotApplyToDV)) return;
  rate = value;
  if (state_->currentState == cs_Preview && refreshPreviewOnParamChange_) {
    // The new rate needs no rebuild: the stopped graph takes it and runs again.
    ControlGraph(gm_Stop);
    ApplyFrameRateToStream();
    ControlGraph(gm_Run);
  }
}

void TRavorOderiri::ApplyOverlayEnabled(bool value) {
  if (value == overlayEnabled_) return;
  overlayEnabled_ = value;
  if (!IsOperational()) return;
  ChooseActiveRenderer();
  ApplyFullScreenPreview();
}

// ---- Setters that act at once --------------------------------------------------------------

TAudioFormat TRavorOderiri::AudioFormat() const {
  return static_cast<TAudioFormat>(state_->settings[rs_AudioFormat].IntValue);
}
void TRavorOderiri::SetAudioFormat(TAudioFormat value) {
  state_->settings[rs_AudioFormat].IntValue = value;
}

bool TRavorOderiri::DVRgb219() const {
  return state_->settings[rs_DVRgb219].BoolValue;
}
bool TRavorOderiri::DVReduceFrameRate() const {
  return state_->settings[rs_DVReduceFrameRate].BoolValue;
}
bool TRavorOderiri::DVUseExternalAudio() const {
  return state_->settings[rs_DVUseExternalAudio].BoolValue;
}
double TRavorOderiri::FrameRate() const {
  return state_->settings[rs_FrameRate].FloatValue;
}
int TRavorOderiri::VideoCrossbarInput() const {
  return state_->settings[rs_VideoCrossbarInput].IntValue;
}
int TRavorOderiri::VideoSize() const {
  return state_->settings[rs_VideoSize].IntValue;
}
int TRavorOderiri::VideoSubType() const {
  return state_->settings[rs_VideoSubtype].IntValue;
}

void TRavorOderiri::SetAutoFilePrefix(const std::string& value) {
  autoFilePrefix_ = value;
}
void TRavorOderiri::SetCaptureFileExt(const std::string& value) {
  captureFileExt_ = value;
}
void TRavorOderiri::SetCaptureFileName(const std::string& value) {
  captureFileName_ = value;
}
void TRavorOderiri::SetPlayerFileName(const std::string& value) {
  playerFileName_ = value;
}
void TRavorOderiri::SetPreallocCapFileName(const std::string& value) {
  preallocCapFileName_ = value;
}

void TRavorOderiri::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  if (IsOperational()) ResizeVideoWindow();
}

void TRavorOderiri::SetZoomSize(std::uint16_t value) {
  if (value == zoomSize_) return;
  zoomSize_ = value;
  if (IsOperational() && autoSize_) ResizeVideoWindow();
}

void TRavorOderiri::SetBurstCount(int value) {
  if (value >= 0) burstCount_ = value;
}

void TRavorOderiri::SetBurstInterval(int value) {
  if (value >= 0) burstInterval_ = value;
}

void TRavorOderiri::SetBurstMode(bool value) {
  if (value) {
    state_->burstFramesLeft = burstCount_;
    state_->burstSkip = burstInterval_;
  }
  burstMode_ = value;
}

void TRavorOderiri::SetFullScreenPreview(bool value) {
  fullScreenPreview_ = value;
  ApplyFullScreenPreview();
}

void TRavorOderiri::SetPlayerRate(double value) {
  if (value == playerRate_) return;
  playerRate_ = value;
  if (rudozav::LogCheck(*this, state_->currentState != cs_Player, errors::kNotPlaying)) return;
  ApplyPlayerRate();
}

void TRavorOderiri::SetStoragePath(const std::string& value) {
  if (value == storagePath_) return;
  storagePath_ = value;
  state_->bmpSequence = 0;
  state_->jpegSequence = 0;
  std::error_code error;
  std::filesystem::create_directories(value, error);  // checked below by the folder's existence
  if (!std::filesystem::is_directory(value, error) && IsOperational()) {
    rudozav::LogCheck(*this, true, errors::kCannotCreateDirectory, value);
  }
}

void TRavorOderiri::SetTextOnFrameDTFormat(int value) {
  textOnFrameDTFormat_ = value;
  state_->layoutChanged = true;
}

void TRavorOderiri::SetTextOnFrameEnabled(bool value) {
  textOnFrameEnabled_ = value;
  state_->graph->textChanged = true;
  state_->layoutChanged = true;
}

void TRavorOderiri::SetTextOnFrameFont(const TFont& value) {
  textOnFrameFont_ = value;
}

void TRavorOderiri::SetTextOnFrameMargin(std::uint16_t value) {
  textOnFrameMargin_ = value;
  state_->layoutChanged = true;
}

void TRavorOderiri::SetTextOnFrameString(const std::string& value) {
  textOnFrameString_ = value;
  state_->graph->textChanged = true;
}

// ---- Read-only queries ---------------------------------------------------------------------

std::string TRavorOderiri::VideoDevices() const {
  const TDevices* list = VideoDeviceList();
  return list != nullptr ? list->NamesText() : std::string();
}

int TRavorOderiri::VideoDevicesCount() const {
  const TDevices* list = VideoDeviceList();
  return list != nullptr ? list->Count() : 0;
}

// The lists as the user sees them: the first line stands for the device's default format.
std::string TRavorOderiri::VideoSizes() const {
  if (!HasFormatLists(*this, state_->sizeList)) return {};
  std::vector<std::string> lines;
  for (const std::string& entry : state_->sizeList)
    lines.push_back(entry.substr(std::min(entry.find_first_not_of(' '), entry.size())));
  lines.front() = "default";
  return rudozav::JoinLines(lines);
}
std::string TRavorOderiri::VideoSubTypes() const {
  if (!HasFormatLists(*this, state_->subtypeList)) return {};
  std::vector<std::string> lines;
  for (const std::string& entry : state_->subtypeList)
    lines.push_back(SubtypeName(entry));
  lines.front() = "default";
  return rudozav::JoinLines(lines);
}
std::string TRavorOderiri::VideoInputs() const {
  return state_->settings[rs_VideoCrossbarInputs].StrValue;
}
int TRavorOderiri::VideoWidth() const {
  return state_->videoWidth;
}
int TRavorOderiri::VideoHeight() const {
  return state_->videoHeight;
}
bool TRavorOderiri::IsDVDevice() const {
  return state_->settings[rs_IsDigitalVideoIn].BoolValue;
}
bool TRavorOderiri::VideoPortAvailable() const {
  return state_->settings[rs_IsOverlayAvailable].BoolValue;
}
bool TRavorOderiri::AnalogVideoDecoderAvailable() const {
  return state_->settings[rs_IsAnalogVideoDecoderAvail].BoolValue;
}
bool TRavorOderiri::VideoProcAmpAvailable() const {
  return state_->settings[rs_IsProcampAvail].BoolValue;
}
bool TRavorOderiri::VideoCrossbarAvailable() const {
  return state_->settings[rs_IsVideoCrossbarAvail].BoolValue;
}
TCurrentState TRavorOderiri::CurrentState() const {
  return state_->currentState;
}
