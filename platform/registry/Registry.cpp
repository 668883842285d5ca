#include "registry/Registry.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "com/Diagnostics.h"
#include "registry/RegistryDatabase.h"
#include "registry/RegistryLocation.h"

using registry::KeyId;
using registry::RegistryDatabase;

// An open key: the database it lives in and its id there.
struct HKEY__ {
  std::shared_ptr<RegistryDatabase> db;
  KeyId id = 0;
  REGSAM access = 0;
};

namespace {

// Handles given out and not yet closed, so a stale or foreign handle is refused, not followed.
std::mutex& HandleMutex() {
  static std::mutex mutex;
  return mutex;
}
std::unordered_set<HKEY>& Handles() {  // guarded by HandleMutex()
  static auto* handles = new std::unordered_set<HKEY>;
  return *handles;
}

bool IsPredefined(HKEY key) {
  return key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT;
}
bool CanWrite(REGSAM access) {
  return (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
}

// What a call works on. db is null when the key is a root whose database file does not exist
// yet (error then ERROR_FILE_NOT_FOUND) or when the handle is bad (error says why).
struct Target {
  std::shared_ptr<RegistryDatabase> db;
  KeyId id = 0;
  REGSAM access = 0;
  LONG error = ERROR_SUCCESS;
};

// create: a root's database file is made when missing (for calls that write).
Target Resolve(HKEY key, bool create) {
  Target target;
  if (IsPredefined(key)) {
    target.id =
        key == HKEY_CURRENT_USER ? RegistryDatabase::kCurrentUser : RegistryDatabase::kClassesRoot;
    target.access = KEY_ALL_ACCESS;
    target.db = registry::AcquireDatabase(create, &target.error);
    return target;
  }
  std::lock_guard lock(HandleMutex());
  if (key == nullptr || !Handles().contains(key)) {
    target.error = ERROR_INVALID_HANDLE;
    return target;
  }
  target.db = key->db;
  target.id = key->id;
  target.access = key->access;
  return target;
}

HKEY NewHandle(std::shared_ptr<RegistryDatabase> db, KeyId id, REGSAM access) {
  auto handle = std::make_unique<HKEY__>(HKEY__{std::move(db), id, access});
  std::lock_guard lock(HandleMutex());
  Handles().insert(handle.get());
  return handle.release();  // owned by the handle set until RegCloseKey
}

LONG CheckPath(const registry::KeyPath& path) {
  for (const auto name : path) {
    if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

std::string_view NameOf(const char* name) {
  return name == nullptr ? std::string_view() : name;
}

// Copies a name with its terminating zero into a caller's buffer of *size bytes.
LONG CopyName(const std::string& name, char* buffer, DWORD* size) {
  if (buffer == nullptr || size == nullptr) return ERROR_INVALID_PARAMETER;
  if (name.size() >= *size) {
    *size = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Hands value data to a caller the way RegQueryValueEx does.
LONG CopyData(const std::vector<BYTE>& bytes, BYTE* data, DWORD* dataSize) {
  if (dataSize == nullptr) return data == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (data != nullptr && *dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr && needed > 0) std::memcpy(data, bytes.data(), needed);
  *dataSize = needed;
  return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY key, const char* subKey, REGSAM access, bool create, HKEY* result,
                  DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const auto path = registry::SplitKeyPath(NameOf(subKey));
  if (const LONG error = CheckPath(path); error != ERROR_SUCCESS) return error;
  Target target = Resolve(key, create);
  if (target.db == nullptr) return target.error;
  if (create && !path.empty() && !CanWrite(target.access)) return ERROR_ACCESS_DENIED;
  KeyId id = 0;
  bool created = false;
  const LONG error = create ? target.db->CreateKey(target.id, path, &id, &created)
                            : target.db->FindKey(target.id, path, &id);
  if (error != ERROR_SUCCESS) return error;
  if (disposition != nullptr) {
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  *result = NewHandle(std::move(target.db), id, access);
  diag::Debug("registry", create ? "created " : "opened ", NameOf(subKey));
  return ERROR_SUCCESS;
}

LONG Delete(HKEY key, const char* subKey, bool withSubKeys, bool keepKey) {
  const auto path = registry::SplitKeyPath(NameOf(subKey));
  if (const LONG error = CheckPath(path); error != ERROR_SUCCESS) return error;
  Target target = Resolve(key, false);
  if (target.db == nullptr) {
    // An empty root of a missing database has nothing to delete.
    return target.error == ERROR_FILE_NOT_FOUND && keepKey ? ERROR_SUCCESS : target.error;
  }
  if (!CanWrite(target.access)) return ERROR_ACCESS_DENIED;
  return target.db->DeleteKey(target.id, path, withSubKeys, keepKey);
}

}  // namespace

LONG RegOpenKeyEx(HKEY key, const char* subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
  return OpenOrCreate(key, subKey, access, false, result, nullptr);
}

LONG RegCreateKeyEx(HKEY key, const char* subKey, DWORD /*reserved*/, char* /*keyClass*/,
                    DWORD /*options*/, REGSAM access, const void* /*security*/, HKEY* result,
                    DWORD* disposition) {
  return OpenOrCreate(key, subKey, access, true, result, disposition);
}

LONG RegCloseKey(HKEY key) {
  if (IsPredefined(key)) return ERROR_SUCCESS;
  std::unique_ptr<HKEY__> owned;
  {
    std::lock_guard lock(HandleMutex());
    if (key == nullptr || Handles().erase(key) == 0) return ERROR_INVALID_HANDLE;
    owned.reset(key);  // freed outside the lock: it may close the database
  }
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* valueName, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                     DWORD* dataSize) {
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  Target target = Resolve(key, false);
  if (target.db == nullptr) return target.error;
  DWORD storedType = REG_NONE;
  std::vector<BYTE> bytes;
  const LONG error = target.db->QueryValue(target.id, NameOf(valueName), &storedType, &bytes);
  if (error != ERROR_SUCCESS) return error;
  if (type != nullptr) *type = storedType;
  return CopyData(bytes, data, dataSize);
}

LONG RegSetValueEx(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type,
                   const BYTE* data, DWORD dataSize) {
  if (data == nullptr && dataSize > 0) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && dataSize != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
  if (NameOf(valueName).size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  Target target = Resolve(key, true);
  if (target.db == nullptr) return target.error;
  if (!CanWrite(target.access)) return ERROR_ACCESS_DENIED;
  return target.db->SetValue(target.id, NameOf(valueName), type, std::span(data, dataSize));
}

LONG RegDeleteValue(HKEY key, const char* valueName) {
  Target target = Resolve(key, false);
  if (target.db == nullptr) return target.error;
  if (!CanWrite(target.access)) return ERROR_ACCESS_DENIED;
  return target.db->DeleteValue(target.id, NameOf(valueName));
}

LONG RegDeleteKey(HKEY key, const char* subKey) {
  if (NameOf(subKey).empty()) return ERROR_INVALID_PARAMETER;
  return Delete(key, subKey, false, false);
}

LONG RegDeleteTree(HKEY key, const char* subKey) {
  const bool keepKey = registry::SplitKeyPath(NameOf(subKey)).empty();
  return Delete(key, subKey, true, keepKey);
}

LONG SHDeleteKey(HKEY key, const char* subKey) {
  if (registry::SplitKeyPath(NameOf(subKey)).empty()) return ERROR_INVALID_PARAMETER;
  return Delete(key, subKey, true, false);
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* /*reserved*/,
                  char* keyClass, DWORD* classSize, void* /*lastWriteTime*/) {
  if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
  Target target = Resolve(key, false);
  if (target.db == nullptr) {
    return target.error == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_ITEMS : target.error;
  }
  std::string found;
  if (const LONG error = target.db->EnumKey(target.id, index, &found); error != ERROR_SUCCESS) {
    return error;
  }
  if (classSize != nullptr) {
    if (keyClass != nullptr && *classSize > 0) keyClass[0] = '\0';
    *classSize = 0;
  }
  return CopyName(found, name, nameSize);
}

LONG RegEnumValue(HKEY key, DWORD index, char* valueName, DWORD* valueNameSize, DWORD* /*reserved*/,
                  DWORD* type, BYTE* data, DWORD* dataSize) {
  if (valueName == nullptr || valueNameSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  Target target = Resolve(key, false);
  if (target.db == nullptr) {
    return target.error == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_ITEMS : target.error;
  }
  registry::StoredValue value;
  if (const LONG error = target.db->EnumValue(target.id, index, &value); error != ERROR_SUCCESS) {
    return error;
  }
  if (type != nullptr) *type = value.type;
  const LONG nameResult = CopyName(value.name, valueName, valueNameSize);
  const LONG dataResult = CopyData(value.data, data, dataSize);
  return nameResult != ERROR_SUCCESS ? nameResult : dataResult;
}

LONG RegQueryInfoKey(HKEY key, char* keyClass, DWORD* classSize, DWORD* /*reserved*/,
                     DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                     DWORD* maxValueNameLength, DWORD* maxValueLength, void* /*security*/,
                     void* /*lastWriteTime*/) {
  Target target = Resolve(key, false);
  registry::KeyInfo info;
  if (target.db != nullptr) {
    if (const LONG error = target.db->QueryInfo(target.id, &info); error != ERROR_SUCCESS) {
      return error;
    }
  } else if (target.error != ERROR_FILE_NOT_FOUND) {
    return target.error;  // a missing database is an empty root
  }
  if (classSize != nullptr) {
    if (keyClass != nullptr && *classSize > 0) keyClass[0] = '\0';
    *classSize = 0;
  }
  if (subKeys != nullptr) *subKeys = info.subKeys;
  if (maxSubKeyLength != nullptr) *maxSubKeyLength = info.maxSubKeyLength;
  if (maxClassLength != nullptr) *maxClassLength = 0;
  if (values != nullptr) *values = info.values;
  if (maxValueNameLength != nullptr) *maxValueNameLength = info.maxValueNameLength;
  if (maxValueLength != nullptr) *maxValueLength = info.maxValueLength;
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  const Target target = Resolve(key, false);
  return target.db != nullptr || target.error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS
                                                                      : target.error;
}
