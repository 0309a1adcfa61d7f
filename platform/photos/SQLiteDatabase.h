#pragma once
// One SQLite database file of the device, as its owner (the photo library) uses it: opened for
// reading (it must exist) or for writing (created, with its tables, when missing), one statement
// at a time with bound values, rows read by column.
//
// Failures are logged under the owner's names, "<prefix>: cannot read the <what> <path>: <why>",
// and come back as nothing or false; a file that is no database of the owner's is never changed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

// A value bound to a statement's `?`; monostate binds NULL.
using SQLiteValue = std::variant<std::monostate, std::int64_t, double, std::string>;

// The current row of a running statement, by column index.
class SQLiteRow {
 public:
  std::int64_t integer(int column) const;
  double real(int column) const;
  std::string text(int column) const;  // "" for NULL
  bool isNull(int column) const;

 private:
  friend class SQLiteDatabase;
  explicit SQLiteRow(sqlite3_stmt* statement) : statement_(statement) {}
  sqlite3_stmt* statement_;
};

// How the owner is named in log lines: "Photos", "photo library".
struct SQLiteOwner {
  std::string logPrefix;
  std::string what;
};

class SQLiteDatabase {
 public:
  // The database at the device path; nothing (logged) when reading one that does not exist, or
  // when it cannot be opened. Writing creates the file and its folder, and runs `schema` (which
  // should create only what is missing).
  static std::unique_ptr<SQLiteDatabase> open(const std::string& devicePath, bool forWriting, const char* schema,
                                              SQLiteOwner owner);
  ~SQLiteDatabase();
  SQLiteDatabase(const SQLiteDatabase&) = delete;
  SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

  // Statements without values or rows (a schema, BEGIN, COMMIT); false (logged) on any error.
  bool exec(const char* sql);
  // Runs one statement with `values` bound in order; `row` sees each result row. False (logged)
  // on any error, after the rows read so far.
  bool query(const std::string& sql, const std::vector<SQLiteValue>& values,
             const std::function<void(const SQLiteRow&)>& row = {});
  std::int64_t lastInsertRowid() const;

 private:
  SQLiteDatabase(sqlite3* db, std::string devicePath, SQLiteOwner owner);

  sqlite3* db_;
  std::string devicePath_;
  SQLiteOwner owner_;
};

}  // namespace platform
