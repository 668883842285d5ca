#include "devices/virtual/DriverDialogs.h"

#include <mutex>

#include "com/Diagnostics.h"
#include "devices/virtual/VirtualDevices.h"

namespace {

std::mutex g_observerLock;
virtualdevices::DriverDialogObserver g_observer;  // guarded by g_observerLock

}  // namespace

namespace virtualdevices {

void SetDriverDialogObserver(DriverDialogObserver observer) {
  std::lock_guard lock(g_observerLock);
  g_observer = std::move(observer);
}

}  // namespace virtualdevices

namespace devices {

void ReportDriverDialog(const std::string& device, int dialog, OAHWND owner) {
  diag::Debug("devices", device, ": driver dialog ", dialog);
  virtualdevices::DriverDialogObserver observer;
  {
    std::lock_guard lock(g_observerLock);
    observer = g_observer;
  }
  if (observer) observer(device, dialog, owner);
}

}  // namespace devices
