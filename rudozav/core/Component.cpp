// Construction, loading and destruction of the component.

#include <cassert>
#include <filesystem>
#include <system_error>

#include "com/Com.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kDefaultWidth = 200;
constexpr int kDefaultHeight = 160;
constexpr TColor kDefaultColor = 0x00B79B9B;

std::string CurrentDirectory() {
  std::error_code error;
  const std::filesystem::path dir = std::filesystem::current_path(error);
  return error ? std::string() : dir.string();
}

// The component's own font as a font description.
TFont FontOf(const QFont& font) {
  TFont result;
  result.Name = font.family().toStdString();
  result.Height = font.pixelSize() > 0 ? -font.pixelSize()
                                       : -static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
  result.Style = static_cast<TFontStyles>(
      (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
      (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0));
  return result;
}

// Creates the device manager with the first component of the process.
void CreateProcessDevicesManager() {
  rudozav::TProcessState& process = rudozav::Process();
  if (process.managerCreated) return;
  process.managerCreated = true;
  if (DesignEnvironmentRunning()) {
    WriteProcessLog("vox codecs");
    HideVoxCodecs();
    CreateDevicesManager();
    RestoreVoxCodecs();
  } else {
    CreateDevicesManager();
  }
  CheckSettingsVersion();
}

}  // namespace

void TRavorOderiri::SetDesignMode(bool designing) {
  rudozav::Process().designMode = designing;
}

bool TRavorOderiri::DesignMode() {
  return rudozav::Process().designMode;
}

TRavorOderiri::TRavorOderiri(QWidget* owner)
    : QFrame(owner), state_(std::make_unique<TRavorOdeririState>()) {
  assert(ui::IsUiThread() && "components are made on the UI thread");
  SetCaption(Name());
  ResetSavedSettings(state_->settings);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  resize(kDefaultWidth, kDefaultHeight);
  SetColor(kDefaultColor);
  SetBorderStyle(bsNone);
  storagePath_ = CurrentDirectory();
  textOnFrameFont_ = FontOf(font());
  if (DesignMode()) return;

  InitProcessResources();
  state_->busy = false;  // the cursor was never changed for construction
  ClearGraph();
  WriteProcessLog('+', "component initialized");
  if (TDevicesManager* manager = DevicesManager()) {
    manager->AttachComponent(this);
    state_->attached = true;
  }
}

void TRavorOderiri::InitProcessResources() {
  rudozav::TProcessState& process = rudozav::Process();
  if (!process.comInitialised) {
    WriteProcessLog("COINITIALIZING");
    process.comInitialised = true;
    CoInitialize(nullptr);  // S_FALSE when the thread had it already: either way it is usable
    OleInitialize(nullptr);
  }
  CreateProcessDevicesManager();
}

TRavorOderiri::~TRavorOderiri() {
  state_->destroying = true;
  // Unregistered first: the message pumping of ClearGraph must not tick a half-destroyed component.
  if (state_->attached) {
    if (TDevicesManager* manager = DevicesManager()) manager->DetachComponent(this);
    state_->attached = false;
  }
  if (!DesignMode()) {
    ClearGraph();
    state_->queue.clear();
  }
}

void TRavorOderiri::Loaded() {
  if (!state_->loaded && !DesignMode()) {
    ui::SetScreenCursor(busyCursor_);
    ui::ProcessMessages();
    TDevices* videoDevices = VideoDeviceList();
    if (videoDevices == nullptr) {
      WriteProcessLog(">>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>> VIDEO DEVICES NOT ASSIGNED");
    } else {
      if (videoDevice_ >= videoDevices->Count()) videoDevice_ = 0;
      WriteProcessLog("begin LOADED");
      if (IsSampleGrabberAvailable()) {
        state_->initialised = true;
        SetVideoDevice(videoDevice_);
        WriteProcessLog("end LOADED");
        state_->loaded = true;
        if (autoStartPreview_) StartPreview();
        ui::SetScreenCursor(normalCursor_);
        if (OnComponentLoaded) OnComponentLoaded(this);
      } else if (OnDirectX8Required) {
        OnDirectX8Required(nullptr);
      } else {
        ui::ShowMessage("DirectX 8 required!");
      }
    }
  }
  if (!DesignMode()) SetCaption("");
}

bool TRavorOderiri::IsBusy() const {
  return state_->busy;
}
bool TRavorOderiri::IsInitialized() const {
  return state_->initialised;
}
bool TRavorOderiri::IsLoaded() const {
  return state_->loaded;
}
bool TRavorOderiri::IsOperational() const {
  return state_->initialised && !state_->busy && !DesignMode();
}
int TRavorOderiri::CurrentDeviceIndex() const {
  return state_->currentDeviceIndex;
}
