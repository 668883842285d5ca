#pragma once
// 128-bit class and interface identifiers, with the registry text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (38 characters, upper-case hexadecimal).

#include <array>
#include <compare>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "com/HResult.h"
#include "com/Types.h"

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  std::array<BYTE, 8> Data4{};

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
  friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};

namespace guid_detail {

constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without braces.
constexpr std::optional<GUID> Parse(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  std::array<BYTE, 16> bytes{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < 16; ++i) {
    if (pos == 8 || pos == 13 || pos == 18 || pos == 23) {
      if (text[pos] != '-') return std::nullopt;
      ++pos;
    }
    const int hi = HexDigit(text[pos]);
    const int lo = HexDigit(text[pos + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[i] = static_cast<BYTE>(hi * 16 + lo);
    pos += 2;
  }
  GUID g;
  g.Data1 = (DWORD{bytes[0]} << 24) | (DWORD{bytes[1]} << 16) | (DWORD{bytes[2]} << 8) | bytes[3];
  g.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  g.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  for (std::size_t i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  return g;
}

}  // namespace guid_detail

// A GUID from a literal, checked at compile time: MakeGuid("C1F400A0-3F08-11D3-9F0B-006008039E37").
consteval GUID MakeGuid(std::string_view text) {
  const auto g = guid_detail::Parse(text);
  if (!g) throw "malformed GUID literal";  // a compile error in a consteval context
  return *g;
}

// A GUID whose first field is a FourCC and whose rest is the media subtype base
// ("XXXXXXXX-0000-0010-8000-00AA00389B71").
constexpr GUID FourCCGuid(DWORD fourcc) {
  GUID g = MakeGuid("00000000-0000-0010-8000-00AA00389B71");
  g.Data1 = fourcc;
  return g;
}

constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
  return DWORD{static_cast<BYTE>(a)} | (DWORD{static_cast<BYTE>(b)} << 8) |
         (DWORD{static_cast<BYTE>(c)} << 16) | (DWORD{static_cast<BYTE>(d)} << 24);
}

// Registry text form with braces, upper case.
std::string StringFromCLSID(REFCLSID clsid);
std::string StringFromGUID(REFGUID guid);
// Parses the braced text form; E_INVALIDARG (CO_E_CLASSSTRING on the original platform) on malformed
// text, leaving *clsid unchanged.
HRESULT CLSIDFromString(std::string_view text, CLSID* clsid);
std::optional<GUID> ParseGuid(std::string_view text);

template <>
struct std::hash<GUID> {
  std::size_t operator()(const GUID& g) const noexcept {
    std::size_t h = g.Data1;
    h = h * 31 + g.Data2;
    h = h * 31 + g.Data3;
    for (BYTE b : g.Data4) h = h * 31 + b;
    return h;
  }
};
