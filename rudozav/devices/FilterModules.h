#pragma once
// Putting the grabber filter modules into place: each is written into the system directory and
// registered when the installed file is missing, has another date than the embedded image's, or
// its filter cannot be created. A failure is shown to the user and the program goes on.
// UI thread only.

#include <cstddef>
#include <cstdint>
#include <string>

#include "com/Guid.h"

// Both modules; the results change nothing further (a failure has been shown already).
void InstallFilterModules();

// True when the module is in place and its filter can be created, or once it was written and
// registered. A system directory that cannot be found counts as success.
bool InstallFilterModule(REFCLSID clsid, const std::string& fileName, std::int32_t fileDate,
                         const unsigned char* image, std::size_t size);

// Loads the module and runs its DllRegisterServer; true when that returned a success.
bool RegisterFilterModule(const std::string& path);

// The DOS date-time an installed module of that image carries: fixed for one image, and another
// one for a changed image (nearly always), so that a new build is installed again.
std::int32_t ModuleFileDate(std::uint32_t imageHash);
