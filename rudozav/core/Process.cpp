// Process start-up and finalisation, shared by all components.

#include <QDateTime>
#include <QLocale>

#include "com/Com.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ProcessLog.h"
#include "rudozav/devices/DevicesManager.h"

namespace {

const std::string kLogTitle =
    std::string("TRavorOderiri v") + rudozav::kVersionText + " process log";

// The system's short date and a long time of day.
std::string LocalDateTimeText() {
  const QLocale locale = QLocale::system();
  const QDateTime now = QDateTime::currentDateTime();
  return (locale.toString(now.date(), QLocale::ShortFormat) + " " +
          locale.toString(now.time(), QStringLiteral("HH:mm:ss")))
      .toStdString();
}

}  // namespace

void RudOzavProcessStartup() {
  rudozav::OpenProcessLog();
  WriteProcessLog("RESET");
  WriteProcessLog('=', "BEGIN " + kLogTitle + " (" + LocalDateTimeText() + ")");
}

void RudOzavProcessFinalization() {
  rudozav::TProcessState& process = rudozav::Process();
  WriteProcessLog('-', "Finalization");
  if (process.comInitialised) {
    WriteProcessLog("couninitializing");
    OleUninitialize();
    CoUninitialize();
    process.comInitialised = false;
  }
  if (process.managerCreated) {
    WriteProcessLog("freeing devmanager");
    FreeDevicesManager();
    process.managerCreated = false;
  }
  WriteProcessLog('=', "END " + kLogTitle);
}
