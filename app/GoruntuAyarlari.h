#pragma once
// TForm2: the image-quality dialog, created hidden at start and shown modally by the main window.
// Eight reversed vertical sliders (the highest value at the top) drive the current device's
// processing amplifier through the component while the video runs. UI thread only.

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QSlider;
class TRavorOderiri;

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kSliderCount = 8;

  explicit TForm2(QWidget* parent = nullptr);

  // The component whose device the sliders adjust; set by the main window.
  void SetComponent(TRavorOderiri* component) { component_ = component; }

  // Shows the dialog and returns when it is closed; each show reads the device anew.
  int ShowModal();

  std::array<QSlider*, kSliderCount> TrackBars{};
  std::array<QLabel*, kSliderCount> Labels{};
  QPushButton* Kapat = nullptr;
  QPushButton* Varsayilan = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Sets slider k up from the device: its range and the current value, or the default value
  // (which is then written to the device) when defaults is true.
  void SetUpSlider(int k, bool defaults);
  void SetUpSliders(bool defaults);
  void VarsayilanClick();
  void SliderChange(int k);

  TRavorOderiri* component_ = nullptr;
  std::array<int, kSliderCount> tags_{};  // -(index + 1) for a reversed slider, else index + 1
  bool ready_ = false;                    // slider changes go to the device
};
