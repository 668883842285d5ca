// The state machine's steps whose work is not built yet: the player and the device dialogs. They
// do nothing.

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"

void TRavorOderiri::ApplyPlayerRate() {}
void TRavorOderiri::ReportPlayerPosition() {}

void TRavorOderiri::RunOpenPlayer() {}
void TRavorOderiri::RunRunPlayer() {}
void TRavorOderiri::RunPausePlayer() {}
void TRavorOderiri::RunStopPlayer() {}
void TRavorOderiri::RunPlayerForward(int /*percent*/) {}
void TRavorOderiri::RunPlayerBackward(int /*percent*/) {}
void TRavorOderiri::RunShowDialog(int /*dialog*/) {}
