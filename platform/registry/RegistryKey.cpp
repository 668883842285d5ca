#include "registry/RegistryKey.h"

#include <utility>

namespace registry {

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
  }
  return *this;
}

LONG RegistryKey::Take(LONG result, HKEY key) {
  Close();
  if (result == ERROR_SUCCESS) key_ = key;
  return result;
}

LONG RegistryKey::Open(HKEY parent, std::string_view path, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = RegOpenKeyEx(parent, std::string(path).c_str(), 0, access, &key);
  return Take(result, key);
}

LONG RegistryKey::Create(HKEY parent, std::string_view path, REGSAM access, bool* created) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyEx(parent, std::string(path).c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition);
  const LONG taken = Take(result, key);
  if (created != nullptr) *created = taken == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
  return taken;
}

void RegistryKey::Close() {
  // Closing a handle this object opened cannot fail.
  if (key_ != nullptr) RegCloseKey(std::exchange(key_, nullptr));
}

LONG RegistryKey::Query(std::string_view name, RegistryValue* value) const {
  const std::string valueName(name);
  // The value may grow between the size query and the read; then ask again.
  for (;;) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueEx(key_, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    std::vector<BYTE> data(size);
    result = RegQueryValueEx(key_, valueName.c_str(), nullptr, &type, data.data(), &size);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) return result;
    data.resize(size);
    *value = RegistryValue{valueName, type, std::move(data)};
    return ERROR_SUCCESS;
  }
}

bool RegistryKey::HasValue(std::string_view name) const {
  return RegQueryValueEx(key_, std::string(name).c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

std::optional<std::string> RegistryKey::ReadString(std::string_view name) const {
  RegistryValue value;
  if (Query(name, &value) != ERROR_SUCCESS) return std::nullopt;
  return DecodeString(value.type, value.data);
}

std::optional<DWORD> RegistryKey::ReadDword(std::string_view name) const {
  RegistryValue value;
  if (Query(name, &value) != ERROR_SUCCESS) return std::nullopt;
  return DecodeDword(value.type, value.data);
}

std::optional<double> RegistryKey::ReadDouble(std::string_view name) const {
  RegistryValue value;
  if (Query(name, &value) != ERROR_SUCCESS) return std::nullopt;
  return DecodeDouble(value.type, value.data);
}

std::optional<std::vector<BYTE>> RegistryKey::ReadBinary(std::string_view name) const {
  RegistryValue value;
  if (Query(name, &value) != ERROR_SUCCESS) return std::nullopt;
  if (value.type != REG_BINARY && !IsUnknownType(value.type)) return std::nullopt;
  return std::move(value.data);
}

LONG RegistryKey::Write(std::string_view name, DWORD type, std::span<const BYTE> data) {
  return RegSetValueEx(key_, std::string(name).c_str(), 0, type, data.data(),
                       static_cast<DWORD>(data.size()));
}

LONG RegistryKey::WriteString(std::string_view name, std::string_view text, DWORD type) {
  return Write(name, type, EncodeString(text));
}

LONG RegistryKey::WriteDword(std::string_view name, DWORD value) {
  return Write(name, REG_DWORD, EncodeDword(value));
}

LONG RegistryKey::WriteDouble(std::string_view name, double value) {
  return Write(name, REG_BINARY, EncodeDouble(value));
}

LONG RegistryKey::WriteBinary(std::string_view name, std::span<const BYTE> data) {
  return Write(name, REG_BINARY, data);
}

LONG RegistryKey::DeleteValue(std::string_view name) {
  return RegDeleteValue(key_, std::string(name).c_str());
}

LONG RegistryKey::DeleteTree(std::string_view path) {
  return RegDeleteTree(key_, std::string(path).c_str());
}

std::vector<std::string> RegistryKey::SubKeyNames() const {
  std::vector<std::string> names;
  char name[kMaxKeyNameLength + 1];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyEx(key_, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return names;
    }
    names.emplace_back(name, size);
  }
}

std::vector<RegistryValue> RegistryKey::Values() const {
  std::vector<RegistryValue> values;
  std::vector<char> name(kMaxValueNameLength + 1);
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = 0;
    DWORD type = REG_NONE;
    if (RegEnumValue(key_, index, name.data(), &nameSize, nullptr, &type, nullptr, &dataSize) !=
        ERROR_SUCCESS) {
      return values;
    }
    RegistryValue value;
    // Read by name so the data comes whole even when it changed since the listing.
    const std::string_view storedName(name.data(), nameSize);
    if (Query(storedName, &value) == ERROR_SUCCESS) {
      value.name = storedName;  // as written, not as asked
      values.push_back(std::move(value));
    }
  }
}

}  // namespace registry
