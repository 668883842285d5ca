#include "ui/pages/CrossbarPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

#include "devices/capture/CrossbarFilter.h"

namespace ui {
namespace {

LONG PhysicalType(IAMCrossbar* crossbar, bool isInput, LONG index, LONG* related = nullptr) {
  LONG relatedPin = -1;
  LONG type = 0;
  if (FAILED(crossbar->get_CrossbarPinInfo(isInput ? TRUE : FALSE, index, &relatedPin, &type)))
    return 0;
  if (related != nullptr) *related = relatedPin;
  return type;
}

// "Video Composite In 1": the connector's name and the pin's index, which tells apart two
// connectors of one kind.
QString PinText(IAMCrossbar* crossbar, bool isInput, LONG index) {
  const std::string name =
      devices::CrossbarPinName(PhysicalType(crossbar, isInput, index), isInput);
  return QString::fromStdString(name) + QString(" %1").arg(index);
}

}  // namespace

CrossbarPage::CrossbarPage() : PropertyPageBase("Crossbar") {}

bool CrossbarPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  crossbar_ = FirstWith<IAMCrossbar>(objects);
  return static_cast<bool>(crossbar_);
}

QWidget* CrossbarPage::Build(QWidget* parent) {
  LONG outputCount = 0;
  LONG inputCount = 0;
  if (FAILED(crossbar_->get_PinCounts(&outputCount, &inputCount))) outputCount = inputCount = 0;
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  routed_.assign(static_cast<std::size_t>(outputCount), -1);
  outputs_.clear();
  for (LONG output = 0; output < outputCount; ++output) {
    if (FAILED(crossbar_->get_IsRoutedTo(output, &routed_[static_cast<std::size_t>(output)])))
      routed_[static_cast<std::size_t>(output)] = -1;
    QComboBox* list = MakeOutputList(output, inputCount, page);
    form->addRow(PinText(crossbar_.Get(), false, output) + ":", list);
    outputs_.push_back(list);
  }
  link_ = new QCheckBox("Link related pins", page);
  link_->setObjectName("link");
  link_->setChecked(true);
  form->addRow(link_);
  return page;
}

QComboBox* CrossbarPage::MakeOutputList(LONG output, LONG inputCount, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString("output %1").arg(output));
  list->addItem("None", -1);
  for (LONG input = 0; input < inputCount; ++input) {
    if (crossbar_->CanRoute(output, input) == S_OK)
      list->addItem(PinText(crossbar_.Get(), true, input), static_cast<int>(input));
  }
  list->setCurrentIndex(
      list->findData(static_cast<int>(routed_[static_cast<std::size_t>(output)])));
  QObject::connect(list, &QComboBox::activated, [this, output, list](int index) {
    FollowRelated(output, list->itemData(index).toInt());
    Changed();
  });
  return list;
}

LONG CrossbarPage::Chosen(LONG output) const {
  return outputs_[static_cast<std::size_t>(output)]->currentData().toInt();
}

void CrossbarPage::Choose(LONG output, LONG input) {
  QComboBox* list = outputs_[static_cast<std::size_t>(output)];
  const int index = list->findData(static_cast<int>(input));
  if (index >= 0) list->setCurrentIndex(index);
}

void CrossbarPage::FollowRelated(LONG output, LONG input) {
  if (!link_->isChecked() || input < 0) return;
  LONG relatedOutput = -1;
  LONG relatedInput = -1;
  PhysicalType(crossbar_.Get(), false, output, &relatedOutput);
  PhysicalType(crossbar_.Get(), true, input, &relatedInput);
  if (relatedOutput < 0 || relatedOutput >= static_cast<LONG>(outputs_.size()) || relatedInput < 0)
    return;
  if (crossbar_->CanRoute(relatedOutput, relatedInput) == S_OK) Choose(relatedOutput, relatedInput);
}

void CrossbarPage::Changed() {
  for (LONG output = 0; output < static_cast<LONG>(outputs_.size()); ++output) {
    if (Chosen(output) != routed_[static_cast<std::size_t>(output)]) {
      MarkDirty();
      return;
    }
  }
  MarkClean();
}

HRESULT CrossbarPage::ApplyChanges() {
  for (LONG output = 0; output < static_cast<LONG>(outputs_.size()); ++output) {
    const LONG input = Chosen(output);
    LONG& routed = routed_[static_cast<std::size_t>(output)];
    if (input == routed) continue;
    const HRESULT hr = crossbar_->Route(output, input);
    if (FAILED(hr)) return hr;
    routed = input;
  }
  return S_OK;
}

}  // namespace ui
