#pragma once
// Settings access in the manner the component uses it: a root, one current key opened by path,
// and typed reads that never raise. A read succeeds only when the stored type (and for some
// kinds the size) matches, and a failed read leaves its destination unchanged:
// - ReadString: REG_SZ or REG_EXPAND_SZ, the text up to the first zero character;
// - ReadInteger: REG_DWORD; ReadBool: an integer read, non-zero is true;
// - ReadFloat: REG_BINARY of exactly 8 bytes, an IEEE double, little-endian;
// - ReadBinary: REG_BINARY or a type other than the four above, of exactly the size asked for.
// The writes store integers and Booleans as REG_DWORD, strings as REG_SZ, floats as REG_BINARY of
// 8 bytes.
//
// One object is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryKey.h"

class TRegistry2 {
 public:
  explicit TRegistry2(HKEY rootKey = HKEY_CURRENT_USER) : root_(rootKey) {}

  HKEY RootKey() const { return root_; }
  // Closes the current key.
  void SetRootKey(HKEY rootKey);

  // Opens path as the current key, closing the one open before. A path that starts with "\", or
  // any path while no key is open, is taken from the root; otherwise it is below the current key.
  // canCreate makes missing keys. False when the key cannot be opened; then no key is open.
  bool OpenKey(std::string_view path, bool canCreate);
  bool OpenKeyReadOnly(std::string_view path);
  void CloseKey();
  bool HasCurrentKey() const { return key_.IsOpen(); }
  // The current key's path from the root, names separated by "\", without a leading "\".
  const std::string& CurrentPath() const { return currentPath_; }

  // Keys named by path as for OpenKey; the current key stays open.
  bool KeyExists(std::string_view path) const;
  // Deletes the key with its values and all its subkeys.
  bool DeleteKey(std::string_view path);

  // The rest works on the current key and fails when none is open.
  bool ValueExists(std::string_view name) const;
  bool DeleteValue(std::string_view name);
  // Size of the value's data in bytes, -1 when it does not exist.
  int GetDataSize(std::string_view name) const;
  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

  bool ReadString(std::string_view name, std::string* value) const;
  bool ReadInteger(std::string_view name, std::int32_t* value) const;
  bool ReadBool(std::string_view name, bool* value) const;
  bool ReadFloat(std::string_view name, double* value) const;
  bool ReadBinary(std::string_view name, void* buffer, std::size_t size) const;

  bool WriteString(std::string_view name, std::string_view value);
  bool WriteInteger(std::string_view name, std::int32_t value);
  bool WriteBool(std::string_view name, bool value);
  bool WriteFloat(std::string_view name, double value);
  bool WriteBinary(std::string_view name, const void* buffer, std::size_t size);

 private:
  std::string FullPath(std::string_view path) const;
  bool Open(std::string_view path, bool canCreate, REGSAM access);

  HKEY root_;
  registry::RegistryKey key_;
  std::string currentPath_;
};
