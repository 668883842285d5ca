#include "ui/pages/StreamFormatPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>

namespace ui {
namespace {

QString SizeText(const SIZE& size) {
  return QString("%1 x %2").arg(size.cx).arg(size.cy);
}

// Selects the entry with data, else the first.
void SelectData(QComboBox* list, const QVariant& data) {
  const int index = list->findData(data);
  list->setCurrentIndex(index >= 0 ? index : 0);
}

}  // namespace

StreamFormatPage::StreamFormatPage() : PropertyPageBase("Stream Format") {}

bool StreamFormatPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  config_ = FirstWith<IAMStreamConfig>(objects);
  return static_cast<bool>(config_);
}

QWidget* StreamFormatPage::Build(QWidget* parent) {
  formats_ = StreamFormats::Read(config_.Get());
  AM_MEDIA_TYPE* current = nullptr;
  const MediaType type =
      SUCCEEDED(config_->GetFormat(&current)) ? MediaType::Adopt(current) : MediaType();
  applied_ = formats_.ChoiceOf(type.Get());

  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  format_ = new QComboBox(page);
  format_->setObjectName("format");
  size_ = new QComboBox(page);
  size_->setObjectName("size");
  rate_ = new QComboBox(page);
  rate_->setObjectName("frame rate");
  form->addRow(formats_.IsVideo() ? "Video format:" : "Format:", format_);
  if (formats_.IsVideo()) {
    form->addRow("Frame size:", size_);
    form->addRow("Frame rate:", rate_);
  } else {
    size_->hide();
    rate_->hide();
  }
  const std::vector<std::string> names = formats_.Formats();
  for (std::size_t i = 0; i < names.size(); ++i)
    format_->addItem(QString::fromStdString(names[i]), static_cast<int>(i));
  SelectData(format_, applied_.format);
  FillSizes(applied_);
  QObject::connect(format_, &QComboBox::activated, [this] {
    FillSizes(Current());
    Changed();
  });
  QObject::connect(size_, &QComboBox::activated, [this] {
    FillRates(Current());
    Changed();
  });
  QObject::connect(rate_, &QComboBox::activated, [this] { Changed(); });
  return page;
}

StreamChoice StreamFormatPage::Current() const {
  StreamChoice choice;
  choice.format = format_->currentData().toInt();
  if (!formats_.IsVideo()) return choice;
  const QSize size = size_->currentData().toSize();
  choice.width = size.width();
  choice.height = size.height();
  choice.interval = rate_->currentData().toLongLong();
  return choice;
}

void StreamFormatPage::FillSizes(const StreamChoice& wanted) {
  const QSignalBlocker blocker(size_);
  size_->clear();
  for (const SIZE& size : formats_.Sizes(wanted.format))
    size_->addItem(SizeText(size), QSize(size.cx, size.cy));
  SelectData(size_, QSize(wanted.width, wanted.height));
  StreamChoice chosen = wanted;
  const QSize size = size_->currentData().toSize();
  chosen.width = size.width();
  chosen.height = size.height();
  FillRates(chosen);
}

void StreamFormatPage::FillRates(const StreamChoice& wanted) {
  const QSignalBlocker blocker(rate_);
  rate_->clear();
  for (const REFERENCE_TIME interval :
       formats_.Intervals(wanted.format, SIZE{wanted.width, wanted.height})) {
    rate_->addItem(QString::fromStdString(FrameRateText(interval)),
                   static_cast<qlonglong>(interval));
  }
  SelectData(rate_, static_cast<qlonglong>(wanted.interval));
}

void StreamFormatPage::Changed() {
  if (Current() == applied_) {
    MarkClean();
  } else {
    MarkDirty();
  }
}

HRESULT StreamFormatPage::ApplyChanges() {
  const StreamChoice choice = Current();
  MediaType type = formats_.TypeFor(choice);
  if (type.Get().majortype == GUID_NULL) return E_INVALIDARG;
  const HRESULT hr = config_->SetFormat(&type.Get());
  if (SUCCEEDED(hr)) applied_ = choice;
  return hr;
}

}  // namespace ui
