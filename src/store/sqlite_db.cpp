#include "store/sqlite_db.h"

#include <sqlite3.h>
#include <strings.h>

namespace talvesso {

// ---- TSqliteStatement ----

TSqliteStatement::TSqliteStatement(TSqliteDb& db, const std::string& sql) : Db_(db) {
  if (!db.IsOpen()) {
    Fail("database is not open");
    return;
  }
  const int rc = sqlite3_prepare_v2(db.Handle(), sql.c_str(), static_cast<int>(sql.size() + 1),
                                    &Stmt_, nullptr);
  if (rc != SQLITE_OK) {
    Fail(sqlite3_errmsg(db.Handle()));
    sqlite3_finalize(Stmt_);
    Stmt_ = nullptr;
  } else if (Stmt_ == nullptr) {
    Fail("empty statement");
  }
}

TSqliteStatement::~TSqliteStatement() { sqlite3_finalize(Stmt_); }

bool TSqliteStatement::Ok() const { return Error_.empty(); }

const std::string& TSqliteStatement::Error() const { return Error_; }

void TSqliteStatement::Fail(const std::string& what) const {
  if (Error_.empty()) Error_ = what;  // the first error is the one that explains the rest
  Db_.LastStatementError_ = what;
}

int TSqliteStatement::ParameterIndex(const std::string& name) {
  if (!Ok()) return 0;
  const bool prefixed = !name.empty() && (name[0] == ':' || name[0] == '@' || name[0] == '$');
  const std::string full = prefixed ? name : ":" + name;
  const int index = sqlite3_bind_parameter_index(Stmt_, full.c_str());
  if (index == 0) Fail("no parameter " + full);
  return index;
}

void TSqliteStatement::BindText(const std::string& name, const std::string& value) {
  const int index = ParameterIndex(name);
  if (index == 0) return;
  if (sqlite3_bind_text(Stmt_, index, value.data(), static_cast<int>(value.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK)
    Fail(sqlite3_errmsg(Db_.Handle()));
}

void TSqliteStatement::BindInt(const std::string& name, int32_t value) {
  const int index = ParameterIndex(name);
  if (index == 0) return;
  if (sqlite3_bind_int(Stmt_, index, value) != SQLITE_OK) Fail(sqlite3_errmsg(Db_.Handle()));
}

void TSqliteStatement::BindInt64(const std::string& name, int64_t value) {
  const int index = ParameterIndex(name);
  if (index == 0) return;
  if (sqlite3_bind_int64(Stmt_, index, value) != SQLITE_OK) Fail(sqlite3_errmsg(Db_.Handle()));
}

bool TSqliteStatement::Step() {
  HasRow_ = false;
  if (!Ok()) return false;
  const int rc = sqlite3_step(Stmt_);
  if (rc == SQLITE_ROW) {
    HasRow_ = true;
    return true;
  }
  if (rc != SQLITE_DONE) Fail(sqlite3_errmsg(Db_.Handle()));
  return false;
}

int TSqliteStatement::ColumnIndex(const std::string& column) const {
  if (!HasRow_) {
    Fail("no current row to read " + column + " from");
    return -1;
  }
  const int count = sqlite3_column_count(Stmt_);
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(Stmt_, i);
    if (name != nullptr && strcasecmp(name, column.c_str()) == 0) return i;
  }
  Fail("no column " + column);
  return -1;
}

std::string TSqliteStatement::Text(const std::string& column) const {
  const int index = ColumnIndex(column);
  if (index < 0) return {};
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt_, index));
  if (text == nullptr) return {};  // NULL
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(Stmt_, index)));
}

int32_t TSqliteStatement::Int(const std::string& column) const {
  // Values outside 32 bits keep their low 32 bits, as a 32-bit field read of the row would.
  return static_cast<int32_t>(Int64(column));
}

int64_t TSqliteStatement::Int64(const std::string& column) const {
  const int index = ColumnIndex(column);
  if (index < 0) return 0;
  return sqlite3_column_int64(Stmt_, index);  // NULL and non-numeric text read as 0
}

// ---- TSqliteDb ----

TSqliteDb::~TSqliteDb() { Close(); }

bool TSqliteDb::Open(const std::string& path) {
  Close();
  Error_.clear();
  sqlite3* db = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    Error_ = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    return false;
  }
  Db_ = db;
  return true;
}

void TSqliteDb::Close() {
  if (Db_ == nullptr) return;
  sqlite3_close_v2(Db_);
  Db_ = nullptr;
}

bool TSqliteDb::Execute(const std::string& sql) {
  Error_.clear();
  if (Db_ == nullptr) {
    Error_ = "database is not open";
    LastStatementError_ = Error_;
    return false;
  }
  char* message = nullptr;
  if (sqlite3_exec(Db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  Error_ = message != nullptr ? message : sqlite3_errmsg(Db_);
  sqlite3_free(message);
  LastStatementError_ = Error_;
  return false;
}

}  // namespace talvesso
