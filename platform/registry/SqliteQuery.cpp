#include "registry/SqliteQuery.h"

namespace registry {

SqliteQuery::SqliteQuery(sqlite3_stmt* statement, int prepareRc)
    : statement_(statement),
      rc_(statement == nullptr && prepareRc == SQLITE_OK ? SQLITE_MISUSE : prepareRc) {}

SqliteQuery::~SqliteQuery() {
  if (statement_ == nullptr) return;
  // The result of reset repeats the step's error, which rc() has already reported.
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

void SqliteQuery::Check(int rc) {
  if (rc_ == SQLITE_OK && rc != SQLITE_OK) rc_ = rc;
}

SqliteQuery& SqliteQuery::Bind(int index, std::int64_t value) {
  if (!Failed()) Check(sqlite3_bind_int64(statement_, index, value));
  return *this;
}

SqliteQuery& SqliteQuery::Bind(int index, std::string_view text) {
  // A null pointer would bind NULL, not an empty text.
  if (!Failed()) {
    Check(sqlite3_bind_text(statement_, index, text.empty() ? "" : text.data(),
                            static_cast<int>(text.size()), SQLITE_TRANSIENT));
  }
  return *this;
}

SqliteQuery& SqliteQuery::BindBlob(int index, std::span<const BYTE> data) {
  // A null pointer would bind NULL, not an empty blob.
  static const BYTE kNothing = 0;
  if (!Failed()) {
    Check(sqlite3_bind_blob(statement_, index, data.empty() ? &kNothing : data.data(),
                            static_cast<int>(data.size()), SQLITE_TRANSIENT));
  }
  return *this;
}

bool SqliteQuery::Next() {
  if (Failed()) return false;
  const int rc = sqlite3_step(statement_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) Check(rc);
  return false;
}

bool SqliteQuery::Run() {
  while (Next()) {
  }
  return !Failed();
}

std::int64_t SqliteQuery::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string SqliteQuery::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
}

std::vector<BYTE> SqliteQuery::Blob(int column) const {
  const auto* data = static_cast<const BYTE*>(sqlite3_column_blob(statement_, column));
  const int size = sqlite3_column_bytes(statement_, column);
  return data == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(data, data + size);
}

}  // namespace registry
