#pragma once
// What a filter module registers about its filter, and the registration itself, in the store's
// HKEY_CLASSES_ROOT:
//
//   CLSID\{class}                        default: the filter's name
//   CLSID\{class}\InprocServer32         default: the module's path; ThreadingModel "Both"
//   CLSID\{legacy filter category}\Instance\{class}
//                                        FriendlyName, CLSID (text), Merit (DWORD)
//     Pins\<pin name>                    Output, Rendered, Zero, Many (DWORD 0 or 1)
//     Pins\<pin name>\Types\<n>          MajorType, SubType (text)
//
// Any thread; each call is a few registry transactions.

#include <optional>
#include <string>
#include <vector>

#include "com/Guid.h"

struct FilterMediaTypeSetup {
  GUID majorType;
  GUID subType;  // GUID_NULL: any
};

struct FilterPinSetup {
  std::string name;
  bool isRendered = false;
  bool isOutput = false;
  bool allowedZero = false;
  bool allowedMany = false;
  std::vector<FilterMediaTypeSetup> mediaTypes;
};

struct FilterSetup {
  CLSID clsid;
  std::string name;
  DWORD merit = 0;
  std::vector<FilterPinSetup> pins;
};

// Writes the class and the filter data; replaces an earlier registration of the class.
// E_ACCESSDENIED when the store cannot be written.
HRESULT RegisterFilterServer(const FilterSetup& setup, const std::string& modulePath);
// Removes both; S_OK also when nothing was registered.
HRESULT UnregisterFilterServer(REFCLSID clsid);
// The filter data registered for the class, if any.
std::optional<FilterSetup> ReadFilterRegistration(REFCLSID clsid);
