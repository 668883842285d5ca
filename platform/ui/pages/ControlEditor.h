#pragma once
// The editor of one device control on the controls page: a slider with its value for an integer,
// a check box for a boolean, a list for a menu, a push button for a button. Each widget is named
// after the control (objectName), so that a test or a script finds it by the driver's name.
//
// Threads: application thread.

#include <QString>
#include <functional>

#include "devices/capture/DeviceControls.h"

class QFormLayout;
class QWidget;

namespace ui {

class ControlEditor {
 public:
  // Called with the value the user chose (a button: its value is 1).
  using Changed = std::function<void(std::uint32_t id, std::int32_t value)>;

  // Adds the control's row to form.
  ControlEditor(const devices::DeviceControlInfo& info, QFormLayout* form, Changed changed);

  std::uint32_t Id() const { return info_.id; }
  const devices::DeviceControlInfo& Info() const { return info_; }
  // Shows the device's value and whether the control can be written now, without reporting it
  // as a change.
  void Show(std::int32_t value, bool enabled);

 private:
  QWidget* MakeInteger();
  QWidget* MakeBoolean();
  QWidget* MakeMenu();
  QWidget* MakeButton();

  const devices::DeviceControlInfo info_;
  const Changed changed_;
  QWidget* editor_ = nullptr;      // owned by the form's widget
  QWidget* valueLabel_ = nullptr;  // integers only
};

}  // namespace ui
