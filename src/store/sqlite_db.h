// A thin RAII layer over the sqlite3 C API: one connection, prepared statements with named
// parameters (":Name"), stepping, columns by name. NULL reads as 0 or empty text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace talvesso {

class TSqliteDb;

class TSqliteStatement {
 public:
  TSqliteStatement(TSqliteDb& db, const std::string& sql);
  ~TSqliteStatement();
  TSqliteStatement(const TSqliteStatement&) = delete;
  TSqliteStatement& operator=(const TSqliteStatement&) = delete;

  bool Ok() const;  // prepared and no error so far
  const std::string& Error() const;

  // `name` with or without its leading ":". An unknown name is an error of the statement.
  void BindText(const std::string& name, const std::string& value);
  void BindInt(const std::string& name, int32_t value);
  void BindInt64(const std::string& name, int64_t value);

  // true while a row is available; false at the end or on an error (see Ok()).
  bool Step();
  // Columns of the current row, found by name without regard to case. NULL reads as empty
  // or 0; an unknown column, or no current row, reads the same and is an error.
  std::string Text(const std::string& column) const;
  int32_t Int(const std::string& column) const;
  int64_t Int64(const std::string& column) const;

 private:
  int ColumnIndex(const std::string& column) const;
  int ParameterIndex(const std::string& name);
  void Fail(const std::string& what) const;  // reading a column can fail too
  TSqliteDb& Db_;
  sqlite3_stmt* Stmt_ = nullptr;
  mutable std::string Error_;
  bool HasRow_ = false;
};

class TSqliteDb {
 public:
  TSqliteDb() = default;
  ~TSqliteDb();
  TSqliteDb(const TSqliteDb&) = delete;
  TSqliteDb& operator=(const TSqliteDb&) = delete;

  // Opens (creating an empty file when none exists). false with Error() on failure.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return Db_ != nullptr; }
  // Runs a multi-statement script; false with Error() on failure.
  bool Execute(const std::string& sql);
  const std::string& Error() const { return Error_; }
  // The last error of any statement on this connection (for tests: operations swallow them).
  const std::string& LastStatementError() const { return LastStatementError_; }
  void ClearLastStatementError() { LastStatementError_.clear(); }
  sqlite3* Handle() const { return Db_; }

 private:
  friend class TSqliteStatement;
  sqlite3* Db_ = nullptr;
  std::string Error_;
  std::string LastStatementError_;
};

}  // namespace talvesso
