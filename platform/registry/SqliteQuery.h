#pragma once
// One use of a prepared SQLite statement: bind, step, read columns. The statement is reset when
// the query goes, so that its connection can keep it for the next use. Failures are sticky: after
// the first one the other calls do nothing, and rc() tells what went wrong.

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "com/Types.h"

namespace registry {

class SqliteQuery {
 public:
  // statement is null when preparing it failed with prepareRc.
  SqliteQuery(sqlite3_stmt* statement, int prepareRc);
  ~SqliteQuery();
  SqliteQuery(const SqliteQuery&) = delete;
  SqliteQuery& operator=(const SqliteQuery&) = delete;

  SqliteQuery& Bind(int index, std::int64_t value);
  SqliteQuery& Bind(int index, std::string_view text);
  SqliteQuery& BindBlob(int index, std::span<const BYTE> data);

  // Steps to the next row: true when there is one, false at the end or on failure.
  bool Next();
  // Steps to the end; false when something failed.
  bool Run();

  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  std::vector<BYTE> Blob(int column) const;

  bool Failed() const { return rc_ != SQLITE_OK; }
  int rc() const { return rc_; }

 private:
  void Check(int rc);

  sqlite3_stmt* statement_;
  int rc_;
};

}  // namespace registry
