#pragma once
// The system directory, where the program's filter modules are installed: $RUDOZAV_SYSTEM_DIR,
// else $XDG_DATA_HOME/rudozav/system, else ~/.local/share/rudozav/system. Any thread.

#include <string>

#include "com/Types.h"

// The directory, created when missing; empty when no location can be formed.
std::string SystemDirectory();

// Copies the directory with its terminating zero into buffer and returns its length; when
// buffer is too small returns the size needed (zero included) and copies nothing. 0 on failure.
UINT GetSystemDirectory(char* buffer, UINT size);
