#pragma once
// An open registry key owned by an object: closed when the object goes, with typed reads and
// writes and listings of subkeys and values.
//
// One object is used by one thread at a time; different objects may be used from any threads.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "registry/Registry.h"
#include "registry/RegistryValue.h"

namespace registry {

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens an existing key below parent (path empty: parent itself), closing any key held before.
  // On failure the object holds no key.
  LONG Open(HKEY parent, std::string_view path, REGSAM access = KEY_READ);
  // The same, creating the key and its missing parents; created (may be null) tells which.
  LONG Create(HKEY parent, std::string_view path, REGSAM access = KEY_ALL_ACCESS,
              bool* created = nullptr);
  void Close();

  bool IsOpen() const { return key_ != nullptr; }
  // Lent to the C functions; stays owned by this object.
  HKEY Handle() const { return key_; }

  // The stored value with its type, whatever the type.
  LONG Query(std::string_view name, RegistryValue* value) const;
  bool HasValue(std::string_view name) const;
  // Typed reads, empty when the value is missing or of another type (rules in RegistryValue.h).
  std::optional<std::string> ReadString(std::string_view name) const;
  std::optional<DWORD> ReadDword(std::string_view name) const;
  std::optional<double> ReadDouble(std::string_view name) const;
  // REG_BINARY or a type other than the four the settings use, any size.
  std::optional<std::vector<BYTE>> ReadBinary(std::string_view name) const;

  LONG Write(std::string_view name, DWORD type, std::span<const BYTE> data);
  // REG_SZ or REG_EXPAND_SZ, stored with its terminating zero.
  LONG WriteString(std::string_view name, std::string_view text, DWORD type = REG_SZ);
  LONG WriteDword(std::string_view name, DWORD value);
  // REG_BINARY, eight bytes little-endian.
  LONG WriteDouble(std::string_view name, double value);
  LONG WriteBinary(std::string_view name, std::span<const BYTE> data);
  LONG DeleteValue(std::string_view name);
  // Deletes the subkey at path with everything below it; path empty: every subkey and value of
  // this key, which stays.
  LONG DeleteTree(std::string_view path);

  // Names of the subkeys in case-insensitive order, and the values in the order written; empty
  // when the key cannot be read.
  std::vector<std::string> SubKeyNames() const;
  std::vector<RegistryValue> Values() const;

 private:
  LONG Take(LONG result, HKEY key);

  HKEY key_ = nullptr;
};

}  // namespace registry
