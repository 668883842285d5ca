// The state machine's steps whose work is not built yet: the device dialogs. They do nothing.

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"

void TRavorOderiri::RunShowDialog(int /*dialog*/) {}
