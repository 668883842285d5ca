#pragma once
// Capture files on disk: preallocation, so that capture does not wait for the file system to
// find room, and the copy of the part of a preallocated AVI file that holds the capture.
// Application thread (the copy may take long: it reports progress and can be cancelled).

#include <string>

#include "dshow/MuxInterfaces.h"

namespace dshow {

// Creates the file when it does not exist and makes it at least size bytes long, with its
// blocks reserved where the file system can. STG_E_MEDIUMFULL when the disk has no room.
HRESULT AllocateCaptureFile(const std::string& file, DWORDLONG size);

// Copies what a capture wrote into a preallocated file: for a RIFF file its RIFF chunks (the
// first one and the extension chunks after it), for any other file all of it. The callback,
// when given, hears the percentage done and can cancel (E_ABORT; the copy is removed).
HRESULT CopyCaptureFile(const std::string& from, const std::string& to,
                        IAMCopyCaptureFileProgress* callback);

}  // namespace dshow
