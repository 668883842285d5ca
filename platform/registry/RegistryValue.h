#pragma once
// A value as stored (name, type number, bytes), and the rules by which typed reads accept it.
// Plain functions on data: any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "com/Types.h"

namespace registry {

struct RegistryValue {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

// A type other than the four the settings use (REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY).
bool IsUnknownType(DWORD type);

// REG_SZ or REG_EXPAND_SZ: the text up to the first zero character (or the end of the data).
std::optional<std::string> DecodeString(DWORD type, std::span<const BYTE> data);
// REG_DWORD of four bytes, little-endian.
std::optional<DWORD> DecodeDword(DWORD type, std::span<const BYTE> data);
// REG_BINARY of exactly eight bytes: an IEEE double, little-endian.
std::optional<double> DecodeDouble(DWORD type, std::span<const BYTE> data);

// The bytes written for each kind: the text with its terminating zero, four little-endian bytes,
// eight little-endian bytes.
std::vector<BYTE> EncodeString(std::string_view text);
std::vector<BYTE> EncodeDword(DWORD value);
std::vector<BYTE> EncodeDouble(double value);

}  // namespace registry
