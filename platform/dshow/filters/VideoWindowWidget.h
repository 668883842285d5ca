#pragma once
// The video renderer's window: paints the newest frame scaled to the window and passes mouse and
// keyboard input on to a message drain window as window messages (WM_LBUTTONUP with the client
// coordinates, WM_KEYUP with the virtual key, ...).
//
// UI thread only, like every widget.

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "ui/Message.h"

class VideoWindowWidget : public QWidget {
 public:
  explicit VideoWindowWidget(QWidget* parent = nullptr);

  // Shows the frame at the next paint. A null image shows black.
  void ShowFrame(QImage frame);
  const QImage& Frame() const { return frame_; }
  // How many frames were handed over so far.
  long FramesShown() const { return framesShown_; }
  // The part of the picture shown and where in the window; empty rectangles mean the whole
  // picture and the whole window.
  void SetPictureRects(const QRect& source, const QRect& destination);

  // Input goes to drain when one is set (and is alive); null keeps it here.
  void SetMessageDrain(HWND drain) { drain_ = drain; }
  HWND MessageDrain() const { return drain_.data(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  // False when there is no drain, so that the event takes its usual way.
  bool Forward(UINT message, WPARAM wParam, LPARAM lParam);
  bool ForwardMouse(QMouseEvent* event, UINT left, UINT right, UINT middle);
  bool ForwardKey(QKeyEvent* event, UINT message);

  QImage frame_;
  long framesShown_ = 0;
  QRect source_;
  QRect destination_;
  QPointer<QWidget> drain_;
};

// The virtual key code of a Qt key (letters and digits as their upper-case ASCII code); 0 for
// keys without one.
WPARAM VirtualKeyOf(int qtKey);
