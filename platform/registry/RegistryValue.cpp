#include "registry/RegistryValue.h"

#include <algorithm>
#include <bit>

#include "registry/Registry.h"

namespace registry {
namespace {

std::uint64_t LittleEndian(std::span<const BYTE> data) {
  std::uint64_t value = 0;
  for (std::size_t i = data.size(); i-- > 0;) {
    value = (value << 8) | data[i];
  }
  return value;
}

std::vector<BYTE> LittleEndianBytes(std::uint64_t value, std::size_t size) {
  std::vector<BYTE> bytes(size);
  for (auto& byte : bytes) {
    byte = static_cast<BYTE>(value & 0xFF);
    value >>= 8;
  }
  return bytes;
}

}  // namespace

bool IsUnknownType(DWORD type) {
  return type != REG_SZ && type != REG_EXPAND_SZ && type != REG_DWORD && type != REG_BINARY;
}

std::optional<std::string> DecodeString(DWORD type, std::span<const BYTE> data) {
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  const auto end = std::find(data.begin(), data.end(), BYTE{0});
  return std::string(data.begin(), end);
}

std::optional<DWORD> DecodeDword(DWORD type, std::span<const BYTE> data) {
  if (type != REG_DWORD || data.size() != sizeof(DWORD)) return std::nullopt;
  return static_cast<DWORD>(LittleEndian(data));
}

std::optional<double> DecodeDouble(DWORD type, std::span<const BYTE> data) {
  if (type != REG_BINARY || data.size() != sizeof(double)) return std::nullopt;
  return std::bit_cast<double>(LittleEndian(data));
}

std::vector<BYTE> EncodeString(std::string_view text) {
  std::vector<BYTE> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::vector<BYTE> EncodeDword(DWORD value) {
  return LittleEndianBytes(value, sizeof value);
}

std::vector<BYTE> EncodeDouble(double value) {
  return LittleEndianBytes(std::bit_cast<std::uint64_t>(value), sizeof value);
}

}  // namespace registry
