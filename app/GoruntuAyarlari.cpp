#include "GoruntuAyarlari.h"

#include <QPushButton>

namespace {

constexpr int kFontHeight = 11;  // pixels

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Kalite ayarları"));
  setGeometry(413, 334, 461, 277);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(kFontHeight);
  setFont(font);

  Kapat = new QPushButton(QStringLiteral("Kapat"), this);
  Kapat->setGeometry(144, 216, 73, 21);
  connect(Kapat, &QPushButton::clicked, this, &QDialog::accept);
}

int TForm2::ShowModal() {
  return exec();
}
