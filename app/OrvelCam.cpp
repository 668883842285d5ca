// OrvelCam: the program's entry. The capture component's process start-up, the application with
// its title, the main window and the hidden image-quality dialog, the message loop, and then the
// component's process finalisation while the application object still exists.

#include <QApplication>
#include <memory>

#include "AutoQuit.h"
#include "Fonts.h"
#include "GoruntuAyarlari.h"
#include "OrvelKamera.h"
#include "rudozav/RudOzav.h"

namespace {

int RunProgram(QApplication& application) {
  // The main window is created first and so is the main window of the application; it loads the
  // component, which starts the live video.
  TForm1 form1;
  TForm2 form2;
  form1.SetQualityDialog(&form2);
  ScheduleAutoQuit(form1);
  form1.show();
  return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
  RudOzavProcessStartup();
  int result = 0;
  {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Görüntü yakalama"));
    UseLookAlikeFonts();
    result = RunProgram(application);
    // Every component is gone; the device manager's Qt objects go before the application.
    RudOzavProcessFinalization();
  }
  return result;
}
