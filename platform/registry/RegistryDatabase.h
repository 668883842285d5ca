#pragma once
// The settings store on disk: one SQLite database holding a tree of keys with typed values.
//
// Keys are rows with a parent key; the two roots have fixed ids. Values belong to a key and are
// found by their folded name (RegistryLocation.h). The database runs in WAL mode with a busy
// timeout, and every change is one BEGIN IMMEDIATE transaction, tried again while another process
// holds the write lock, so concurrent writers keep all their values and a writer killed half-way
// leaves the old or the new state.
//
// Any thread may call the member functions: one mutex serialises use of the connection. An object
// belongs to the process that opened it; a forked child must open its own.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "com/HResult.h"
#include "registry/SqliteQuery.h"

namespace registry {

using KeyId = std::int64_t;
using KeyPath = std::vector<std::string_view>;

struct StoredValue {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

// Counts and longest lengths in bytes, as RegQueryInfoKey reports them.
struct KeyInfo {
  DWORD subKeys = 0;
  DWORD maxSubKeyLength = 0;
  DWORD values = 0;
  DWORD maxValueNameLength = 0;
  DWORD maxValueLength = 0;
};

class RegistryDatabase {
 public:
  static constexpr KeyId kClassesRoot = 1;
  static constexpr KeyId kCurrentUser = 2;

  // Opens the database file. create: make the file and its folders when missing. A file that is
  // damaged or not a database is moved aside with a warning and, when create, a new one started.
  // Null on failure, with ERROR_FILE_NOT_FOUND in *error when the file is missing and !create.
  static std::shared_ptr<RegistryDatabase> Open(const std::filesystem::path& path, bool create,
                                                LONG* error);
  ~RegistryDatabase();
  RegistryDatabase(const RegistryDatabase&) = delete;
  RegistryDatabase& operator=(const RegistryDatabase&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // A statement found the file damaged: it should be opened anew (and thereby moved aside).
  bool Damaged() const;

  // Results: ERROR_FILE_NOT_FOUND when a key or value is missing, ERROR_KEY_DELETED when the key
  // a call starts from no longer exists, ERROR_BADDB, ERROR_CANTREAD or ERROR_CANTWRITE when the
  // file fails.
  LONG FindKey(KeyId base, const KeyPath& path, KeyId* id);
  LONG CreateKey(KeyId base, const KeyPath& path, KeyId* id, bool* created);
  // Deletes the key at path below base (path empty: base itself). withSubKeys false refuses a key
  // that has subkeys (ERROR_ACCESS_DENIED); keepKey deletes only its values and subkeys. A root
  // can only be emptied.
  LONG DeleteKey(KeyId base, const KeyPath& path, bool withSubKeys, bool keepKey);

  LONG QueryValue(KeyId key, std::string_view name, DWORD* type, std::vector<BYTE>* data);
  LONG SetValue(KeyId key, std::string_view name, DWORD type, std::span<const BYTE> data);
  LONG DeleteValue(KeyId key, std::string_view name);

  // ERROR_NO_MORE_ITEMS past the end.
  LONG EnumKey(KeyId key, DWORD index, std::string* name);
  LONG EnumValue(KeyId key, DWORD index, StoredValue* value);
  LONG QueryInfo(KeyId key, KeyInfo* info);

 private:
  explicit RegistryDatabase(std::filesystem::path path);

  int Connect(bool create, std::string* problem);
  int RunSetupStatement(const char* sql, std::string* firstValue);
  int CreateSchema();
  template <class Body>
  LONG Transact(bool write, Body body);
  SqliteQuery Query(const char* sql);
  LONG Failure(int rc, bool write);

  LONG KeyExists(KeyId key);
  LONG Resolve(KeyId base, const KeyPath& path, KeyId* id);
  LONG FindChild(KeyId parent, std::string_view name, KeyId* id);
  LONG DeleteContents(KeyId key);

  const std::filesystem::path path_;
  mutable std::mutex mutex_;  // guards everything below
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;  // by the address of their SQL
  int lastRc_ = SQLITE_OK;  // the failure of the running transaction, to decide on a retry
  bool damaged_ = false;
};

// The database at DatabasePath() for this process, shared by all handles opened while the file
// stays the same. create as for Open. Any thread.
std::shared_ptr<RegistryDatabase> AcquireDatabase(bool create, LONG* error);

}  // namespace registry
