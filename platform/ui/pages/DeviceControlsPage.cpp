#include "ui/pages/DeviceControlsPage.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "com/Diagnostics.h"

namespace ui {
namespace {

using Kind = devices::DeviceControlInfo::Kind;

bool Writable(const devices::DeviceControlInfo& info) {
  return !info.readOnly && info.kind != Kind::kButton && info.kind != Kind::kOther;
}

}  // namespace

DeviceControlsPage::DeviceControlsPage() : PropertyPageBase("Device Controls") {}

DeviceControlsPage::~DeviceControlsPage() = default;

bool DeviceControlsPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  controls_ = FirstWith<devices::IDeviceControls>(objects);
  return static_cast<bool>(controls_);
}

void DeviceControlsPage::ReleaseObjects() {
  editors_.clear();
  controls_ = nullptr;
}

QWidget* DeviceControlsPage::Build(QWidget* parent) {
  editors_.clear();
  std::vector<devices::DeviceControlInfo> list;
  if (FAILED(controls_->GetControls(&list))) list.clear();
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  auto* content = new QWidget;
  auto* groups = new QVBoxLayout(content);
  std::map<std::uint32_t, QFormLayout*> forms;  // by control class, in the device's order
  for (const devices::DeviceControlInfo& info : list) {
    if (info.kind == Kind::kOther) continue;  // strings, 64-bit and compound values: no editor
    QFormLayout*& form = forms[info.group];
    if (form == nullptr) {
      auto* box = new QGroupBox(QString::fromStdString(info.groupName), content);
      form = new QFormLayout(box);
      form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
      groups->addWidget(box);
    }
    editors_.push_back(std::make_unique<ControlEditor>(
        info, form, [this](std::uint32_t id, std::int32_t value) { Write(id, value); }));
  }
  groups->addStretch(1);
  auto* scroll = new QScrollArea(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(content);
  layout->addWidget(scroll, 1);
  auto* defaults = new QPushButton("Defaults", page);
  defaults->setObjectName("Defaults");
  QObject::connect(defaults, &QPushButton::clicked, [this] { RestoreDefaults(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(defaults);
  layout->addLayout(buttons);
  Refresh();
  // Show the whole content when the screen allows; the scroll area takes over beyond that.
  scroll->setMinimumHeight(std::min(content->sizeHint().height(), 600));
  scroll->setMinimumWidth(content->sizeHint().width());
  return page;
}

void DeviceControlsPage::Write(std::uint32_t id, std::int32_t value) {
  const HRESULT hr = controls_->SetValue(id, value);
  if (FAILED(hr)) diag::Warn("ui", "control " + std::to_string(id) + ": " + HResultText(hr));
  Refresh();  // the device's rounding, a refusal, partners switched on or off
}

void DeviceControlsPage::Refresh() {
  std::vector<devices::DeviceControlInfo> list;
  if (FAILED(controls_->GetControls(&list))) return;
  for (const auto& editor : editors_) {
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const auto& info) { return info.id == editor->Id(); });
    if (it == list.end()) continue;
    std::int32_t value = it->defaultValue;
    if (it->kind != Kind::kButton && FAILED(controls_->GetValue(it->id, &value)))
      value = it->defaultValue;  // write-only controls show their default
    editor->Show(value, !it->inactive && !it->readOnly);
  }
}

void DeviceControlsPage::RestoreDefaults() {
  // Automatic controls are booleans or menus. Numbers go back first, while their automatic
  // partners still leave them writable; then the switches; then the numbers again that a switch
  // going back to manual has made writable.
  const auto isSwitch = [](const devices::DeviceControlInfo& info) {
    return info.kind == Kind::kBoolean || info.kind == Kind::kMenu;
  };
  for (const bool switches : {false, true, false}) {
    for (const auto& editor : editors_) {
      const devices::DeviceControlInfo& info = editor->Info();
      std::int32_t value = 0;
      if (!Writable(info) || isSwitch(info) != switches ||
          (SUCCEEDED(controls_->GetValue(info.id, &value)) && value == info.defaultValue)) {
        continue;
      }
      (void)controls_->SetValue(info.id, info.defaultValue);  // an inactive one: the next round
    }
  }
  Refresh();
}
}  // namespace ui
