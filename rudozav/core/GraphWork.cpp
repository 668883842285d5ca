// The state machine's steps whose work is not built yet: the capture graph and recompression,
// the player and the device dialogs. The capture build fails; the rest does nothing.

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"

bool TRavorOderiri::BuildCaptureGraph() {
  return false;
}
bool TRavorOderiri::TranscodeFile(const std::string& /*sourceFile*/,
                                  const std::string& /*destFile*/) {
  return false;
}
void TRavorOderiri::RunPostCaptureStep() {}
void TRavorOderiri::ApplyPlayerRate() {}
void TRavorOderiri::ReportPlayerPosition() {}

void TRavorOderiri::RunOpenPlayer() {}
void TRavorOderiri::RunRunPlayer() {}
void TRavorOderiri::RunPausePlayer() {}
void TRavorOderiri::RunStopPlayer() {}
void TRavorOderiri::RunPlayerForward(int /*percent*/) {}
void TRavorOderiri::RunPlayerBackward(int /*percent*/) {}
void TRavorOderiri::RunShowDialog(int /*dialog*/) {}
