#include "registry/RegistryDatabase.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <system_error>

#include "com/Diagnostics.h"
#include "registry/RegistryLocation.h"

namespace registry {
namespace {

constexpr std::string_view kCategory = "registry";
constexpr int kBusyTimeoutMs = 5000;
// How long a transaction is tried again while other processes keep the database locked.
constexpr auto kBusyDeadline = std::chrono::seconds(30);
constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold));
INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES
  (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),
  (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user');
PRAGMA user_version = 1;
)sql";

constexpr const char* kBegin = "BEGIN";
constexpr const char* kBeginImmediate = "BEGIN IMMEDIATE";
constexpr const char* kCommit = "COMMIT";
constexpr const char* kRollback = "ROLLBACK";
constexpr const char* kKeyExists = "SELECT 1 FROM keys WHERE id = ?1";
constexpr const char* kFindChild = "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2";
constexpr const char* kInsertKey = "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)";
constexpr const char* kHasSubKeys = "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1";
constexpr const char* kDeleteSubTreeValues =
    "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1 "
    "UNION ALL SELECT k.id FROM keys k JOIN sub s ON k.parent = s.id) "
    "DELETE FROM vals WHERE key IN (SELECT id FROM sub)";
constexpr const char* kDeleteSubTreeKeys =
    "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1 "
    "UNION ALL SELECT k.id FROM keys k JOIN sub s ON k.parent = s.id) "
    "DELETE FROM keys WHERE id IN (SELECT id FROM sub)";
constexpr const char* kDeleteOwnValues = "DELETE FROM vals WHERE key = ?1";
constexpr const char* kDeleteKeyRow = "DELETE FROM keys WHERE id = ?1";
constexpr const char* kQueryValue = "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2";
constexpr const char* kSetValue =
    "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data";
constexpr const char* kDeleteValue = "DELETE FROM vals WHERE key = ?1 AND fold = ?2";
constexpr const char* kEnumKey =
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold, id LIMIT 1 OFFSET ?2";
constexpr const char* kEnumValue =
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2";
constexpr const char* kSubKeyInfo =
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) FROM keys WHERE parent = ?1";
constexpr const char* kValueInfo =
    "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
    "coalesce(max(length(data)), 0) FROM vals WHERE key = ?1";

bool IsBusy(int rc) {
  return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}
bool IsDamage(int rc) {
  return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}
bool IsRoot(KeyId id) {
  return id == RegistryDatabase::kClassesRoot || id == RegistryDatabase::kCurrentUser;
}

LONG ErrorOf(int rc, bool write) {
  switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    default:
      return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
}

std::string TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

// Renames a damaged database (and its write-ahead log, which belongs to it) out of the way so a
// new one can start at its place; the shared-memory index is rebuilt by SQLite and just removed.
bool MoveAside(const std::filesystem::path& path, const std::string& problem) {
  namespace fs = std::filesystem;
  std::string target = path.string() + ".corrupt-" + TimeStamp();
  std::error_code ec;
  for (int n = 2; fs::exists(target, ec); ++n) {
    target = path.string() + ".corrupt-" + TimeStamp() + "-" + std::to_string(n);
  }
  fs::rename(path, target, ec);
  if (ec) {
    diag::Warn(kCategory, "the settings database " + path.string() + " is damaged (" + problem +
                              ") and cannot be moved aside: " + ec.message());
    return false;
  }
  std::error_code ignored;  // the log and index may well not exist
  fs::rename(path.string() + "-wal", target + "-wal", ignored);
  fs::remove(path.string() + "-shm", ignored);
  diag::Warn(kCategory, "the settings database " + path.string() + " is damaged (" + problem +
                            "); it was moved to " + target + " and a new one is started");
  return true;
}

}  // namespace

RegistryDatabase::RegistryDatabase(std::filesystem::path path) : path_(std::move(path)) {}

RegistryDatabase::~RegistryDatabase() {
  for (auto& [sql, statement] : statements_) {
    sqlite3_finalize(statement);
  }
  // Closing fails only with statements left unfinalised, and all were finalised above.
  if (db_ != nullptr) sqlite3_close(db_);
}

std::shared_ptr<RegistryDatabase> RegistryDatabase::Open(const std::filesystem::path& path,
                                                         bool create, LONG* error) {
  for (int attempt = 0;; ++attempt) {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (!exists && !create) {
      *error = ERROR_FILE_NOT_FOUND;
      return nullptr;
    }
    if (!exists && path.has_parent_path()) {
      std::filesystem::create_directories(path.parent_path(), ec);
    }
    // The constructor is private; this is the factory.
    std::shared_ptr<RegistryDatabase> db(new RegistryDatabase(path));
    std::string problem;
    const int rc = db->Connect(create, &problem);
    if (rc == SQLITE_OK) {
      diag::Debug(kCategory, "opened ", path.string());
      return db;
    }
    db.reset();  // closed before the file is moved
    const bool damaged = IsDamage(rc) && attempt == 0;
    if (damaged && MoveAside(path, problem)) continue;
    if (!damaged) {
      diag::Warn(kCategory, "cannot open the settings database " + path.string() + ": " + problem);
    }
    *error = ErrorOf(rc, create);
    return nullptr;
  }
}

bool RegistryDatabase::Damaged() const {
  std::lock_guard lock(mutex_);
  return damaged_;
}

int RegistryDatabase::Connect(bool create, std::string* problem) {
  std::lock_guard lock(mutex_);
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    std::string check;
    std::string version;
    // WAL lets readers go on while one process writes, and survives a writer killed half-way.
    rc = RunSetupStatement("PRAGMA journal_mode=WAL", nullptr);
    if (rc == SQLITE_OK) rc = RunSetupStatement("PRAGMA synchronous=NORMAL", nullptr);
    if (rc == SQLITE_OK) rc = RunSetupStatement("PRAGMA quick_check(1)", &check);
    if (rc == SQLITE_OK && check != "ok") {
      *problem = check;
      std::replace(problem->begin(), problem->end(), '\n', ' ');
      return SQLITE_CORRUPT;
    }
    if (rc == SQLITE_OK) rc = RunSetupStatement("PRAGMA user_version", &version);
    if (rc == SQLITE_OK && version != std::to_string(kSchemaVersion)) rc = CreateSchema();
  }
  if (rc != SQLITE_OK) *problem = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  return rc;
}

// Runs one statement outside any transaction, trying again while the file is locked.
int RegistryDatabase::RunSetupStatement(const char* sql, std::string* firstValue) {
  const auto deadline = std::chrono::steady_clock::now() + kBusyDeadline;
  for (;;) {
    SqliteQuery query = Query(sql);
    if (query.Next() && firstValue != nullptr) *firstValue = query.Text(0);
    query.Run();
    if (!IsBusy(query.rc()) || std::chrono::steady_clock::now() > deadline) return query.rc();
  }
}

int RegistryDatabase::CreateSchema() {
  const LONG result = Transact(true, [this] {
    const int rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? ERROR_SUCCESS : Failure(rc, true);
  });
  return result == ERROR_SUCCESS ? SQLITE_OK : lastRc_;
}

SqliteQuery RegistryDatabase::Query(const char* sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return SqliteQuery(found->second, SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
  if (rc == SQLITE_OK) statements_.emplace(sql, statement);
  return SqliteQuery(statement, rc);
}

LONG RegistryDatabase::Failure(int rc, bool write) {
  lastRc_ = rc;
  if (IsDamage(rc)) {
    if (!damaged_) diag::Warn(kCategory, path_.string() + " is damaged: " + sqlite3_errstr(rc));
    damaged_ = true;
  } else if (IsBusy(rc)) {
    diag::Debug(kCategory, path_.string(), " is busy");
  } else {
    diag::Warn(kCategory, path_.string() + ": " + sqlite3_errmsg(db_));
  }
  return ErrorOf(rc, write);
}

// Runs body in one transaction: BEGIN IMMEDIATE for a change, so the write lock is taken before
// anything is read and no other writer can slip in between. The whole transaction is tried again
// while another connection keeps the database busy beyond the busy timeout.
template <class Body>
LONG RegistryDatabase::Transact(bool write, Body body) {
  const auto deadline = std::chrono::steady_clock::now() + kBusyDeadline;
  for (;;) {
    lastRc_ = SQLITE_OK;
    LONG result = ERROR_SUCCESS;
    if (SqliteQuery begin = Query(write ? kBeginImmediate : kBegin); !begin.Run()) {
      result = Failure(begin.rc(), write);
    } else {
      result = body();
      if (result == ERROR_SUCCESS) {
        if (SqliteQuery commit = Query(kCommit); !commit.Run()) {
          result = Failure(commit.rc(), write);
        }
      }
    }
    if (sqlite3_get_autocommit(db_) == 0) {
      // A failed rollback leaves nothing to do but report the original failure.
      SqliteQuery rollback = Query(kRollback);
      rollback.Run();
    }
    if (!IsBusy(lastRc_) || std::chrono::steady_clock::now() > deadline) return result;
  }
}

LONG RegistryDatabase::KeyExists(KeyId key) {
  SqliteQuery query = Query(kKeyExists);
  if (query.Bind(1, key).Next()) return ERROR_SUCCESS;
  return query.Failed() ? Failure(query.rc(), false) : ERROR_KEY_DELETED;
}

LONG RegistryDatabase::FindChild(KeyId parent, std::string_view name, KeyId* id) {
  SqliteQuery query = Query(kFindChild);
  if (query.Bind(1, parent).Bind(2, FoldName(name)).Next()) {
    *id = query.Int(0);
    return ERROR_SUCCESS;
  }
  return query.Failed() ? Failure(query.rc(), false) : ERROR_FILE_NOT_FOUND;
}

LONG RegistryDatabase::Resolve(KeyId base, const KeyPath& path, KeyId* id) {
  if (const LONG result = KeyExists(base); result != ERROR_SUCCESS) return result;
  KeyId current = base;
  for (const auto name : path) {
    if (const LONG result = FindChild(current, name, &current); result != ERROR_SUCCESS) {
      return result;
    }
  }
  *id = current;
  return ERROR_SUCCESS;
}

LONG RegistryDatabase::FindKey(KeyId base, const KeyPath& path, KeyId* id) {
  std::lock_guard lock(mutex_);
  return Transact(false, [&] { return Resolve(base, path, id); });
}

LONG RegistryDatabase::CreateKey(KeyId base, const KeyPath& path, KeyId* id, bool* created) {
  std::lock_guard lock(mutex_);
  return Transact(true, [&]() -> LONG {
    *created = false;
    if (const LONG result = KeyExists(base); result != ERROR_SUCCESS) return result;
    KeyId current = base;
    for (const auto name : path) {
      const LONG found = FindChild(current, name, &current);
      if (found == ERROR_SUCCESS) continue;
      if (found != ERROR_FILE_NOT_FOUND) return found;
      SqliteQuery insert = Query(kInsertKey);
      if (!insert.Bind(1, current).Bind(2, name).Bind(3, FoldName(name)).Run()) {
        return Failure(insert.rc(), true);
      }
      current = sqlite3_last_insert_rowid(db_);
      *created = true;
    }
    *id = current;
    return ERROR_SUCCESS;
  });
}

LONG RegistryDatabase::DeleteContents(KeyId key) {
  for (const char* sql : {kDeleteSubTreeValues, kDeleteSubTreeKeys, kDeleteOwnValues}) {
    SqliteQuery query = Query(sql);
    if (!query.Bind(1, key).Run()) return Failure(query.rc(), true);
  }
  return ERROR_SUCCESS;
}

LONG RegistryDatabase::DeleteKey(KeyId base, const KeyPath& path, bool withSubKeys, bool keepKey) {
  std::lock_guard lock(mutex_);
  return Transact(true, [&]() -> LONG {
    KeyId id = 0;
    if (const LONG result = Resolve(base, path, &id); result != ERROR_SUCCESS) return result;
    if (!keepKey && IsRoot(id)) return ERROR_ACCESS_DENIED;
    if (!withSubKeys) {
      SqliteQuery children = Query(kHasSubKeys);
      if (children.Bind(1, id).Next()) return ERROR_ACCESS_DENIED;
      if (children.Failed()) return Failure(children.rc(), true);
    }
    if (const LONG result = DeleteContents(id); result != ERROR_SUCCESS) return result;
    if (keepKey) return ERROR_SUCCESS;
    SqliteQuery row = Query(kDeleteKeyRow);
    return row.Bind(1, id).Run() ? ERROR_SUCCESS : Failure(row.rc(), true);
  });
}

LONG RegistryDatabase::QueryValue(KeyId key, std::string_view name, DWORD* type,
                                  std::vector<BYTE>* data) {
  std::lock_guard lock(mutex_);
  return Transact(false, [&]() -> LONG {
    SqliteQuery query = Query(kQueryValue);
    if (query.Bind(1, key).Bind(2, FoldName(name)).Next()) {
      *type = static_cast<DWORD>(query.Int(0));
      *data = query.Blob(1);
      return ERROR_SUCCESS;
    }
    if (query.Failed()) return Failure(query.rc(), false);
    const LONG exists = KeyExists(key);
    return exists == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : exists;
  });
}

LONG RegistryDatabase::SetValue(KeyId key, std::string_view name, DWORD type,
                                std::span<const BYTE> data) {
  std::lock_guard lock(mutex_);
  return Transact(true, [&]() -> LONG {
    if (const LONG result = KeyExists(key); result != ERROR_SUCCESS) return result;
    SqliteQuery query = Query(kSetValue);
    query.Bind(1, key).Bind(2, name).Bind(3, FoldName(name)).Bind(4, std::int64_t{type});
    return query.BindBlob(5, data).Run() ? ERROR_SUCCESS : Failure(query.rc(), true);
  });
}

LONG RegistryDatabase::DeleteValue(KeyId key, std::string_view name) {
  std::lock_guard lock(mutex_);
  return Transact(true, [&]() -> LONG {
    if (const LONG result = KeyExists(key); result != ERROR_SUCCESS) return result;
    SqliteQuery query = Query(kDeleteValue);
    if (!query.Bind(1, key).Bind(2, FoldName(name)).Run()) return Failure(query.rc(), true);
    return sqlite3_changes(db_) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegistryDatabase::EnumKey(KeyId key, DWORD index, std::string* name) {
  std::lock_guard lock(mutex_);
  return Transact(false, [&]() -> LONG {
    SqliteQuery query = Query(kEnumKey);
    if (query.Bind(1, key).Bind(2, std::int64_t{index}).Next()) {
      *name = query.Text(0);
      return ERROR_SUCCESS;
    }
    if (query.Failed()) return Failure(query.rc(), false);
    const LONG exists = KeyExists(key);
    return exists == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : exists;
  });
}

LONG RegistryDatabase::EnumValue(KeyId key, DWORD index, StoredValue* value) {
  std::lock_guard lock(mutex_);
  return Transact(false, [&]() -> LONG {
    SqliteQuery query = Query(kEnumValue);
    if (query.Bind(1, key).Bind(2, std::int64_t{index}).Next()) {
      value->name = query.Text(0);
      value->type = static_cast<DWORD>(query.Int(1));
      value->data = query.Blob(2);
      return ERROR_SUCCESS;
    }
    if (query.Failed()) return Failure(query.rc(), false);
    const LONG exists = KeyExists(key);
    return exists == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : exists;
  });
}

LONG RegistryDatabase::QueryInfo(KeyId key, KeyInfo* info) {
  std::lock_guard lock(mutex_);
  return Transact(false, [&]() -> LONG {
    if (const LONG result = KeyExists(key); result != ERROR_SUCCESS) return result;
    SqliteQuery keys = Query(kSubKeyInfo);
    if (!keys.Bind(1, key).Next()) return Failure(keys.Failed() ? keys.rc() : SQLITE_ERROR, false);
    info->subKeys = static_cast<DWORD>(keys.Int(0));
    info->maxSubKeyLength = static_cast<DWORD>(keys.Int(1));
    SqliteQuery values = Query(kValueInfo);
    if (!values.Bind(1, key).Next()) {
      return Failure(values.Failed() ? values.rc() : SQLITE_ERROR, false);
    }
    info->values = static_cast<DWORD>(values.Int(0));
    info->maxValueNameLength = static_cast<DWORD>(values.Int(1));
    info->maxValueLength = static_cast<DWORD>(values.Int(2));
    return ERROR_SUCCESS;
  });
}

}  // namespace registry
