#include "ui/pages/ControlEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

namespace ui {

using Kind = devices::DeviceControlInfo::Kind;

ControlEditor::ControlEditor(const devices::DeviceControlInfo& info, QFormLayout* form,
                             Changed changed)
    : info_(info), changed_(std::move(changed)) {
  const QString name = QString::fromStdString(info_.name);
  switch (info_.kind) {
    case Kind::kBoolean:
      form->addRow(MakeBoolean());
      break;
    case Kind::kButton:
      form->addRow(MakeButton());
      break;
    case Kind::kMenu:
    case Kind::kIntegerMenu:
      form->addRow(name + ":", MakeMenu());
      break;
    default:
      form->addRow(name + ":", MakeInteger());
      break;
  }
  editor_->setObjectName(name);
}

QWidget* ControlEditor::MakeInteger() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* slider = new QSlider(Qt::Horizontal, row);
  slider->setRange(info_.minimum, info_.maximum);
  slider->setSingleStep(std::max(info_.step, 1));
  slider->setPageStep(std::max(info_.step, (info_.maximum - info_.minimum) / 10));
  slider->setMinimumWidth(200);
  auto* label = new QLabel(row);
  // Wide enough for the longest value, so that the row does not move as the value changes.
  const int wide = std::max(label->fontMetrics().horizontalAdvance(QString::number(info_.minimum)),
                            label->fontMetrics().horizontalAdvance(QString::number(info_.maximum)));
  label->setMinimumWidth(wide);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setObjectName(QString::fromStdString(info_.name) + " value");
  layout->addWidget(slider, 1);
  layout->addWidget(label);
  QObject::connect(slider, &QSlider::valueChanged, [this, label](int value) {
    label->setNum(value);
    changed_(info_.id, value);
  });
  editor_ = slider;
  valueLabel_ = label;
  return row;
}

QWidget* ControlEditor::MakeBoolean() {
  auto* box = new QCheckBox(QString::fromStdString(info_.name));
  QObject::connect(box, &QCheckBox::toggled,
                   [this](bool checked) { changed_(info_.id, checked ? 1 : 0); });
  editor_ = box;
  return box;
}

QWidget* ControlEditor::MakeMenu() {
  auto* list = new QComboBox;
  for (const auto& [value, text] : info_.menu)
    list->addItem(QString::fromStdString(text), value);
  QObject::connect(list, &QComboBox::activated,
                   [this, list](int index) { changed_(info_.id, list->itemData(index).toInt()); });
  editor_ = list;
  return list;
}

QWidget* ControlEditor::MakeButton() {
  auto* button = new QPushButton(QString::fromStdString(info_.name));
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  QObject::connect(button, &QPushButton::clicked, [this] { changed_(info_.id, 1); });
  editor_ = button;
  return button;
}

void ControlEditor::Show(std::int32_t value, bool enabled) {
  const QSignalBlocker blocker(editor_);
  editor_->setEnabled(enabled);
  if (valueLabel_ != nullptr) valueLabel_->setEnabled(enabled);
  if (auto* slider = qobject_cast<QSlider*>(editor_)) {
    slider->setValue(value);
    static_cast<QLabel*>(valueLabel_)->setNum(value);
  } else if (auto* box = qobject_cast<QCheckBox*>(editor_)) {
    box->setChecked(value != 0);
  } else if (auto* list = qobject_cast<QComboBox*>(editor_)) {
    list->setCurrentIndex(list->findData(value));
  }
}

}  // namespace ui
