#include "registry/TRegistry2.h"

#include <cstring>

#include "registry/RegistryLocation.h"

void TRegistry2::SetRootKey(HKEY rootKey) {
  CloseKey();
  root_ = rootKey;
}

std::string TRegistry2::FullPath(std::string_view path) const {
  std::string full;
  if (key_.IsOpen() && !path.starts_with('\\')) full = currentPath_;
  for (const auto name : registry::SplitKeyPath(path)) {
    if (!full.empty()) full += '\\';
    full += name;
  }
  return full;
}

bool TRegistry2::Open(std::string_view path, bool canCreate, REGSAM access) {
  std::string full = FullPath(path);
  CloseKey();
  const LONG result = canCreate ? key_.Create(root_, full, access) : key_.Open(root_, full, access);
  if (result != ERROR_SUCCESS) return false;
  currentPath_ = std::move(full);
  return true;
}

bool TRegistry2::OpenKey(std::string_view path, bool canCreate) {
  return Open(path, canCreate, KEY_ALL_ACCESS);
}

bool TRegistry2::OpenKeyReadOnly(std::string_view path) {
  return Open(path, false, KEY_READ);
}

void TRegistry2::CloseKey() {
  key_.Close();
  currentPath_.clear();
}

bool TRegistry2::KeyExists(std::string_view path) const {
  registry::RegistryKey key;
  return key.Open(root_, FullPath(path), KEY_READ) == ERROR_SUCCESS;
}

bool TRegistry2::DeleteKey(std::string_view path) {
  const std::string full = FullPath(path);
  // The root itself is never deleted, only what a path below it names.
  return !full.empty() && SHDeleteKey(root_, full.c_str()) == ERROR_SUCCESS;
}

bool TRegistry2::ValueExists(std::string_view name) const {
  return key_.IsOpen() && key_.HasValue(name);
}

bool TRegistry2::DeleteValue(std::string_view name) {
  return key_.IsOpen() && key_.DeleteValue(name) == ERROR_SUCCESS;
}

int TRegistry2::GetDataSize(std::string_view name) const {
  registry::RegistryValue value;
  if (!key_.IsOpen() || key_.Query(name, &value) != ERROR_SUCCESS) return -1;
  return static_cast<int>(value.data.size());
}

std::vector<std::string> TRegistry2::GetKeyNames() const {
  return key_.IsOpen() ? key_.SubKeyNames() : std::vector<std::string>();
}

std::vector<std::string> TRegistry2::GetValueNames() const {
  std::vector<std::string> names;
  if (!key_.IsOpen()) return names;
  for (auto& value : key_.Values()) {
    names.push_back(std::move(value.name));
  }
  return names;
}

bool TRegistry2::ReadString(std::string_view name, std::string* value) const {
  if (!key_.IsOpen()) return false;
  auto text = key_.ReadString(name);
  if (!text) return false;
  *value = std::move(*text);
  return true;
}

bool TRegistry2::ReadInteger(std::string_view name, std::int32_t* value) const {
  if (!key_.IsOpen()) return false;
  const auto number = key_.ReadDword(name);
  if (!number) return false;
  *value = static_cast<std::int32_t>(*number);
  return true;
}

bool TRegistry2::ReadBool(std::string_view name, bool* value) const {
  std::int32_t number = 0;
  if (!ReadInteger(name, &number)) return false;
  *value = number != 0;
  return true;
}

bool TRegistry2::ReadFloat(std::string_view name, double* value) const {
  if (!key_.IsOpen()) return false;
  const auto number = key_.ReadDouble(name);
  if (!number) return false;
  *value = *number;
  return true;
}

bool TRegistry2::ReadBinary(std::string_view name, void* buffer, std::size_t size) const {
  if (!key_.IsOpen()) return false;
  const auto data = key_.ReadBinary(name);
  if (!data || data->size() != size) return false;
  if (size > 0) std::memcpy(buffer, data->data(), size);
  return true;
}

bool TRegistry2::WriteString(std::string_view name, std::string_view value) {
  return key_.IsOpen() && key_.WriteString(name, value) == ERROR_SUCCESS;
}

bool TRegistry2::WriteInteger(std::string_view name, std::int32_t value) {
  return key_.IsOpen() && key_.WriteDword(name, static_cast<DWORD>(value)) == ERROR_SUCCESS;
}

bool TRegistry2::WriteBool(std::string_view name, bool value) {
  return WriteInteger(name, value ? 1 : 0);
}

bool TRegistry2::WriteFloat(std::string_view name, double value) {
  return key_.IsOpen() && key_.WriteDouble(name, value) == ERROR_SUCCESS;
}

bool TRegistry2::WriteBinary(std::string_view name, const void* buffer, std::size_t size) {
  if (!key_.IsOpen() || (buffer == nullptr && size > 0)) return false;
  const std::span bytes(static_cast<const BYTE*>(buffer), size);
  return key_.WriteBinary(name, bytes) == ERROR_SUCCESS;
}
