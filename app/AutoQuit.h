#pragma once
// An automatic end for scripted runs: when ORVELCAM_QUIT_AFTER_MS is set, that many milliseconds
// after start the program saves a picture of the screen to ORVELCAM_SCREENSHOT (when set), closes
// any open modal box and then the main window, as a user would. When ORVELCAM_CLICK_AFTER_MS is
// set, that many milliseconds after start the left mouse button is pressed and released at the
// centre of the screen, where the live video is shown full screen: a snapshot by the program's
// own click path. UI thread only.

class QWidget;

// Starts the timers the environment asks for; does nothing otherwise.
void ScheduleAutoQuit(QWidget& mainWindow);
