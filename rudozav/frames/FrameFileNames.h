#pragma once
// Names of the files frames are written to: a name the caller gave, completed with the
// extension of the picture type, and automatic names in the storage folder. UI thread only.

#include <string>

class TRavorOderiri;

// The caller's name with the extension ext ("bmp", "jpg"): added when the last path element has
// none, replacing another one, kept when it is the same in any case. The folder of the name is
// created with its parents; when that fails, error 9 is reported and the name is empty.
std::string MakeFrameFileName(TRavorOderiri& component, const std::string& name,
                              const std::string& ext);

// StoragePath + "/" + AutoFilePrefix + name part + extension (".bmp", ".jpg"). The name part is
// the local time ("yymmdd_hhmmss_zzz") for fn_DateTime, else the next number of counter, six
// digits at least; a counter of 0 is first set from the files already in the folder.
std::string MakeAutoFileName(const TRavorOderiri& component, int& counter,
                             const std::string& extension);

// The largest number n of the files prefix + n + "." + ext in folder whose name begins with the
// whole prefix and continues with digits up to the first "."; current when there is none.
int FindLastSequenceNumber(const std::string& folder, const std::string& prefix,
                           const std::string& ext, int current);
