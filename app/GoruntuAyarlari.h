#pragma once
// TForm2: the image-quality dialog, created hidden at start and shown modally by the main window.
// UI thread only.

#include <QDialog>

class QPushButton;

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);

  // Shows the dialog and returns when it is closed.
  int ShowModal();

  QPushButton* Kapat = nullptr;
};
