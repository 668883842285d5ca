#pragma once
// The page of every control a capture device has (IDeviceControls): one group box per control
// class, an editor per control (ControlEditor), and a Defaults button. A change goes to the
// device at once, so that the running video shows it; the page then reads every control again,
// because an automatic control switched on makes its manual partner inactive. The page is never
// dirty: Apply has nothing left to write.
//
// Threads: application thread.

#include <memory>
#include <vector>

#include "devices/capture/DeviceControls.h"
#include "ui/PropertyPageBase.h"
#include "ui/pages/ControlEditor.h"

namespace ui {

class DeviceControlsPage : public PropertyPageBase {
 public:
  DeviceControlsPage();
  ~DeviceControlsPage() override;

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override;
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override { return S_OK; }

 private:
  void Write(std::uint32_t id, std::int32_t value);
  void Refresh();
  void RestoreDefaults();

  ComPtr<devices::IDeviceControls> controls_;
  std::vector<std::unique_ptr<ControlEditor>> editors_;
};

}  // namespace ui
