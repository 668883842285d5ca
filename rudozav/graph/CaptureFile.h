#pragma once
// The files of a capture: the final capture file and the file the graph writes, the preallocated
// file, and the warning about slow drives. UI thread only.

#include <string>

class TRavorOderiri;

// Creates StoragePath when missing (error 9 and false when it cannot be made), then resolves the
// capture target (CaptureFileName, else the next automatic name with CaptureFileExt) and the write
// target (the preallocated or temporary file when preallocating or compressing afterwards, else
// the capture target).
bool PrepareCaptureFile(TRavorOderiri& component);

// Warns when the storage folder, or the preallocated file when there is one, lies on a network
// drive, a CD-ROM or a RAM disk: such drives may drop frames.
void WarnOfSlowDrives(TRavorOderiri& component);

// Makes the preallocated write target when preallocation is on and the file is missing or is to
// be made again, with its start and completion events. False when it cannot be allocated.
bool PreallocateCaptureFile(TRavorOderiri& component);

// The write target, or the temporary "prealloc.avi" in the storage folder, when the graph is to
// write elsewhere than the capture target.
std::string PreallocFileName(const TRavorOderiri& component);
