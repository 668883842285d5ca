#pragma once
// A group box drawn as the layout expects it: an etched frame that starts half a line down, with
// the caption on the frame line, so that controls placed from the top of the box clear the frame.

#include <QGroupBox>

class TGroupBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
