#pragma once
// The process-wide device manager: the four device lists, the components of the process, the
// 200 ms timer that drives every component's PollTick, and hot-plug: a device-change notification
// makes the manager rebuild the capture-device lists 1000 ms after the last one and tell the
// components. UI thread only.

#include <QPointer>
#include <memory>
#include <vector>

#include "com/Types.h"
#include "ui/Message.h"

class QTimer;
class TDevices;
class TRavorOderiri;
namespace devices {
class DeviceChangeMonitor;
}

class TDevicesManager {
 public:
  static constexpr int kTimerInterval = 200;    // ms
  static constexpr DWORD kRebuildDelay = 1000;  // ms after the last device-change message

  // Starts the timer with DevicesManagerFirstTick as its handler. The first tick hooks the main
  // window and starts watching real devices, whose changes reach the hook like virtual ones.
  TDevicesManager();
  ~TDevicesManager();
  TDevicesManager(const TDevicesManager&) = delete;
  TDevicesManager& operator=(const TDevicesManager&) = delete;

  void AttachComponent(TRavorOderiri* component);
  void DetachComponent(TRavorOderiri* component);
  bool IsAttached(const TRavorOderiri* component) const;
  // The registered components in creation order.
  const std::vector<TRavorOderiri*>& Components() const { return components_; }

  // The timer's handlers; tests call them directly.
  void DevicesManagerFirstTick();
  void DevicesManagerTick();
  // Seen by the main window's hook; never consumes a message.
  bool DevicesManagerMessageHook(const ui::Message& message);

  // Tick count after which the lists are rebuilt; 0 when no rebuild is pending.
  DWORD RebuildDueTime() const { return rebuildDueTime_; }
  bool FirstTickDone() const { return firstTickDone_; }
  bool HookInstalled() const { return hookId_ != 0; }
  // Stops the timer and the watching of real devices for good, so that tests drive the ticks
  // and the notifications themselves.
  void StopTimer();
  bool TimerActive() const;
  bool WatchingRealDevices() const;

 private:
  void OnTimer();
  void WatchRealDevices();
  void RebuildCaptureLists();
  void ReportDeviceChanges();
  // Runs action for each registered component still registered when its turn comes, so that a
  // component destroyed by an event handler is skipped.
  template <class Action>
  void ForEachComponent(Action action);

  QPointer<QTimer> timer_;  // a child of the application object, so it goes with it
  std::unique_ptr<devices::DeviceChangeMonitor> monitor_;
  std::vector<TRavorOderiri*> components_;
  DWORD rebuildDueTime_ = 0;
  bool busy_ = false;
  bool firstTickDone_ = false;
  bool timerStopped_ = false;
  int hookId_ = 0;
};

// The process-wide lists and manager; null before the first component creates them and after
// process finalisation.
TDevicesManager* DevicesManager();
TDevices* VideoDeviceList();
TDevices* AudioDeviceList();
TDevices* VideoCompressorList();
TDevices* AudioCompressorList();

// Creates the manager and the four lists when they do not exist.
void CreateDevicesManager();
// Frees the audio, video, audio compressor and video compressor lists, then the manager.
void FreeDevicesManager();

// Whether the media framework can create its frame-grabber filter.
bool IsSampleGrabberAvailable();
// Whether a top-level window of the design environment exists.
bool DesignEnvironmentRunning();
// Renames codec files of the design environment around list rebuilds (installed with the filter
// modules).
void HideVoxCodecs();
void RestoreVoxCodecs();

// Deletes every saved setting unless the key of this component version exists, then creates it.
void CheckSettingsVersion();
// Deletes "\Software\RavorOderiri\" with all subkeys.
void DeleteSettings();
