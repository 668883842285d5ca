// The process's open databases, one per file, so that opening keys does not reconnect each time.

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "registry/RegistryDatabase.h"
#include "registry/RegistryLocation.h"

namespace registry {
namespace {

struct CachedDatabase {
  std::shared_ptr<RegistryDatabase> db;
  dev_t device = 0;
  ino_t inode = 0;
  pid_t process = 0;
};

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}

// Connections inherited through fork() must be neither used nor closed by the child (closing
// would disturb the parent's locks), so they are kept here, reachable, until the process ends.
void Abandon(std::shared_ptr<RegistryDatabase> db) {
  static auto* abandoned = new std::vector<std::shared_ptr<RegistryDatabase>>;
  abandoned->push_back(std::move(db));
}

// Closed at exit, which lets SQLite fold its write-ahead log back into the database file.
struct DatabaseCache {
  std::map<std::string, CachedDatabase> entries;
  ~DatabaseCache() {
    for (auto& [path, entry] : entries) {
      if (entry.process != getpid()) Abandon(std::move(entry.db));
    }
  }
};

// Guarded by CacheMutex().
std::map<std::string, CachedDatabase>& Cache() {
  static DatabaseCache cache;
  return cache.entries;
}

bool SameFile(const CachedDatabase& entry, const struct stat* file) {
  return file != nullptr && entry.device == file->st_dev && entry.inode == file->st_ino;
}

// Forgets databases whose file was removed or replaced (a test directory that is gone, a file
// another process moved aside), and those of a parent process.
void Sweep() {
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end();) {
    struct stat file {};
    const bool present = stat(it->first.c_str(), &file) == 0;
    if (it->second.process != getpid()) {
      Abandon(std::move(it->second.db));
    } else if (present && SameFile(it->second, &file) && !it->second.db->Damaged()) {
      ++it;
      continue;
    }
    it = cache.erase(it);
  }
}

}  // namespace

std::shared_ptr<RegistryDatabase> AcquireDatabase(bool create, LONG* error) {
  const std::filesystem::path path = DatabasePath();
  std::lock_guard lock(CacheMutex());
  Sweep();
  auto& cache = Cache();
  if (auto found = cache.find(path.string()); found != cache.end()) return found->second.db;
  auto db = RegistryDatabase::Open(path, create, error);
  if (db == nullptr) return nullptr;
  struct stat file {};
  if (stat(path.c_str(), &file) == 0) {
    cache[path.string()] = CachedDatabase{db, file.st_dev, file.st_ino, getpid()};
  }
  return db;
}

}  // namespace registry
