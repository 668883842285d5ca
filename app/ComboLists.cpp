#include "ComboLists.h"

#include <QComboBox>
#include <QRegularExpression>

void FillComboFromLines(QComboBox& combo, const std::string& lines, int index) {
  combo.clearEditText();
  combo.clear();
  QStringList items = QString::fromStdString(lines).split(QRegularExpression("\r\n|\r|\n"));
  // A list that ends with a line break has no empty last entry.
  if (!items.isEmpty() && items.back().isEmpty()) items.removeLast();
  combo.addItems(items);
  if (combo.count() > 0) combo.setCurrentIndex(index);
}
