#include "rudozav/devices/DevicesManager.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "clock/Clock.h"
#include "com/Diagnostics.h"
#include "devices/DeviceChangeMonitor.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/Devices.h"
#include "ui/Application.h"
#include "ui/MainWindowHook.h"

TDevicesManager::TDevicesManager() {
  // Parented to the application object: a QTimer must not outlive it, and the manager may be
  // freed after it by process finalisation.
  timer_ = new QTimer(QCoreApplication::instance());
  timer_->setInterval(kTimerInterval);
  QObject::connect(timer_, &QTimer::timeout, [this] { OnTimer(); });
  timer_->start();
}

TDevicesManager::~TDevicesManager() {
  monitor_.reset();  // joins its thread before the hook goes
  if (hookId_ != 0) ui::UnhookMainWindow(hookId_);
  delete timer_.data();
}

void TDevicesManager::AttachComponent(TRavorOderiri* component) {
  if (!IsAttached(component)) components_.push_back(component);
}

void TDevicesManager::DetachComponent(TRavorOderiri* component) {
  std::erase(components_, component);
}

bool TDevicesManager::IsAttached(const TRavorOderiri* component) const {
  return std::find(components_.begin(), components_.end(), component) != components_.end();
}

void TDevicesManager::StopTimer() {
  timerStopped_ = true;
  if (timer_) timer_->stop();
  monitor_.reset();
}

bool TDevicesManager::TimerActive() const {
  return timer_ && timer_->isActive();
}

bool TDevicesManager::WatchingRealDevices() const {
  return monitor_ != nullptr;
}

void TDevicesManager::WatchRealDevices() {
  std::string error;
  std::unique_ptr<devices::DeviceEventSource> source = devices::OpenUdevEventSource(&error);
  if (!source) {
    diag::Debug("rudozav", "real devices are not watched: ", error);
    return;
  }
  monitor_ = std::make_unique<devices::DeviceChangeMonitor>(std::move(source));
  if (!monitor_->Start()) monitor_.reset();
}

void TDevicesManager::OnTimer() {
  if (firstTickDone_) {
    DevicesManagerTick();
  } else {
    DevicesManagerFirstTick();
  }
}

template <class Action>
void TDevicesManager::ForEachComponent(Action action) {
  const std::vector<TRavorOderiri*> snapshot = components_;
  for (TRavorOderiri* component : snapshot) {
    if (IsAttached(component)) action(component);
  }
}

void TDevicesManager::DevicesManagerFirstTick() {
  if (busy_ || firstTickDone_ || !ui::HasGuiApplication()) return;
  busy_ = true;
  if (timer_) timer_->stop();
  if (!IsSampleGrabberAvailable() && !components_.empty()) {
    TRavorOderiri* first = components_.front();
    if (first->OnDirectX8Required) first->OnDirectX8Required(nullptr);
  }
  hookId_ = ui::HookMainWindow(
      [this](const ui::Message& message) { return DevicesManagerMessageHook(message); });
  firstTickDone_ = true;
  if (!timerStopped_) {
    WatchRealDevices();
    if (timer_) timer_->start();
  }
  busy_ = false;
}

bool TDevicesManager::DevicesManagerMessageHook(const ui::Message& message) {
  if (message.msg == WM_DEVICECHANGE) {
    rebuildDueTime_ = GetTickCount() + kRebuildDelay;
    if (rebuildDueTime_ == 0) rebuildDueTime_ = 1;  // 0 would mean "nothing pending"
  }
  return false;
}

void TDevicesManager::DevicesManagerTick() {
  if (busy_) return;
  busy_ = true;
  const auto poll = [](TRavorOderiri* component) {
    if (component->IsInitialized()) component->PollTick();
  };
  ForEachComponent(poll);
  if (rebuildDueTime_ != 0 && rebuildDueTime_ < GetTickCount()) {
    ForEachComponent(poll);
    rebuildDueTime_ = 0;
    RebuildCaptureLists();
    ReportDeviceChanges();
  }
  busy_ = false;
}

void TDevicesManager::RebuildCaptureLists() {
  const bool designEnvironment = DesignEnvironmentRunning();
  if (designEnvironment) HideVoxCodecs();
  if (TDevices* video = VideoDeviceList()) RebuildDeviceList(*video);
  if (TDevices* audio = AudioDeviceList()) RebuildDeviceList(*audio);
  if (designEnvironment) RestoreVoxCodecs();
}

void TDevicesManager::ReportDeviceChanges() {
  TDevices* video = VideoDeviceList();
  TDevices* audio = AudioDeviceList();
  if (video == nullptr || audio == nullptr) return;
  const auto changed = [&](int change) {
    return video->DeviceChange == change || audio->DeviceChange == change;
  };
  const bool arrival = changed(dc_Arrival);
  const bool removal = changed(dc_Removal);
  if (arrival) {
    ForEachComponent([video](TRavorOderiri* component) {
      if (!component->IsLoaded()) return;
      if (component->OnDeviceArrival) component->OnDeviceArrival(component);
      if (video->Count() == 1) {
        component->SetVideoDevice(0);
        if (component->AutoStartPreview()) component->StartPreview();
      }
    });
  }
  if (removal) {
    ForEachComponent([](TRavorOderiri* component) {
      if (component->IsInitialized() && component->OnDeviceRemoval) {
        component->OnDeviceRemoval(component);
      }
    });
  }
  video->DeviceChange = dc_None;
  audio->DeviceChange = dc_None;
}
