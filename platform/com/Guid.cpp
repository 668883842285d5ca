#include "com/Guid.h"

#include <cstdio>

std::string StringFromGUID(REFGUID g) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::string StringFromCLSID(REFCLSID clsid) { return StringFromGUID(clsid); }

std::optional<GUID> ParseGuid(std::string_view text) {
  // Only the braced registry form is accepted from outside.
  if (text.size() != 38) return std::nullopt;
  return guid_detail::Parse(text);
}

HRESULT CLSIDFromString(std::string_view text, CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  const auto g = ParseGuid(text);
  if (!g) return E_INVALIDARG;
  *clsid = *g;
  return S_OK;
}
