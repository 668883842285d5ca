// Selecting the video and the audio device of a component.

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace errors = rudozav::errors;

void TRavorOderiri::SelectVideoDevice(int index) {
  videoDevice_ = index;
  if (DesignMode()) return;
  if (rudozav::LogCheck(*this, index < 0, errors::kIndexOutOfRange)) return;
  if (rudozav::LogCheck(*this, index >= VideoDevicesCount(), errors::kVideoDeviceIndexOutOfRange)) {
    return;
  }
  if (!IsOperational() || !CheckState({cs_Down, cs_Preview})) return;
  ClearGraph();
  state_->currentDeviceIndex = index;
  DiscoverSelectedDevice();
  if (state_->settings[rs_DeviceDiscovered].BoolValue) {
    WriteProcessLog("call change video device");
    if (OnChangeVideoDevice) OnChangeVideoDevice(this);
    WriteProcessLog("end call change video device");
  }
  if (state_->currentState == cs_Player) ChangeState(BaseState());
  if (refreshPreviewOnParamChange_) RestartGraph(true);
}

void TRavorOderiri::SelectAudioDevice(int index) {
  if (index == audioDevice_) return;
  if (DesignMode()) {
    audioDevice_ = index;
    return;
  }
  if (!IsOperational()) return;
  if (rudozav::LogCheck(*this, index < 0, errors::kIndexOutOfRange)) return;
  const TDevices* audioDevices = AudioDeviceList();
  const int count = audioDevices != nullptr ? audioDevices->Count() : 0;
  if (rudozav::LogCheck(*this, index >= count, errors::kAudioDeviceIndexOutOfRange)) return;
  audioDevice_ = index;
  if (OnChangeAudioDevice) OnChangeAudioDevice(this);
  if (state_->currentState == cs_Player) ChangeState(BaseState());
  if (CheckState({cs_Down, cs_Preview}) && refreshPreviewOnParamChange_) RestartGraph(true);
}
