#pragma once
// An automatic end for scripted runs: when ORVELCAM_QUIT_AFTER_MS is set, that many milliseconds
// after start the program saves a picture of the screen to ORVELCAM_SCREENSHOT (when set), closes
// any open modal box and then the main window, as a user would. UI thread only.

class QWidget;

// Starts the timer when the environment asks for it; does nothing otherwise.
void ScheduleAutoQuit(QWidget& mainWindow);
