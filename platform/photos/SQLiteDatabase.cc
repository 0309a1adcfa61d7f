#include "platform/photos/SQLiteDatabase.h"

#include <sqlite3.h>

#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"

namespace platform {

std::int64_t SQLiteRow::integer(int column) const { return sqlite3_column_int64(statement_, column); }

double SQLiteRow::real(int column) const { return sqlite3_column_double(statement_, column); }

std::string SQLiteRow::text(int column) const {
  const unsigned char* t = sqlite3_column_text(statement_, column);
  return t ? reinterpret_cast<const char*>(t) : "";
}

bool SQLiteRow::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }

std::unique_ptr<SQLiteDatabase> SQLiteDatabase::open(const std::string& devicePath, bool forWriting,
                                                     const char* schema, SQLiteOwner owner) {
  if (!fileExistsAtPath(devicePath)) {
    if (!forWriting) {
      NSLog("{}: no {} at {}", owner.logPrefix, owner.what, devicePath);
      return nullptr;
    }
    createDirectoryAtPath(stringByDeletingLastPathComponent(devicePath));
  }
  sqlite3* db = nullptr;
  int flags = forWriting ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(hostPath(devicePath).c_str(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
    NSLog("{}: cannot open the {} {}: {}", owner.logPrefix, owner.what, devicePath,
          db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  // Another process writing the same library waits its turn rather than failing.
  sqlite3_busy_timeout(db, 5000);
  std::unique_ptr<SQLiteDatabase> database(new SQLiteDatabase(db, devicePath, std::move(owner)));
  if (forWriting && schema && !database->exec(schema)) return nullptr;
  return database;
}

SQLiteDatabase::SQLiteDatabase(sqlite3* db, std::string devicePath, SQLiteOwner owner)
    : db_(db), devicePath_(std::move(devicePath)), owner_(std::move(owner)) {}

SQLiteDatabase::~SQLiteDatabase() { sqlite3_close(db_); }

bool SQLiteDatabase::exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) == SQLITE_OK) return true;
  NSLog("{}: the {} {} cannot be used: {}", owner_.logPrefix, owner_.what, devicePath_, error ? error : "?");
  sqlite3_free(error);
  return false;
}

bool SQLiteDatabase::query(const std::string& sql, const std::vector<SQLiteValue>& values,
                           const std::function<void(const SQLiteRow&)>& row) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    NSLog("{}: cannot read the {} {}: {}", owner_.logPrefix, owner_.what, devicePath_, sqlite3_errmsg(db_));
    return false;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    int index = int(i + 1);
    if (std::holds_alternative<std::monostate>(values[i])) {
      sqlite3_bind_null(statement, index);
    } else if (auto n = std::get_if<std::int64_t>(&values[i])) {
      sqlite3_bind_int64(statement, index, *n);
    } else if (auto d = std::get_if<double>(&values[i])) {
      sqlite3_bind_double(statement, index, *d);
    } else {
      const auto& s = std::get<std::string>(values[i]);
      sqlite3_bind_text(statement, index, s.data(), int(s.size()), SQLITE_TRANSIENT);
    }
  }
  SQLiteRow current(statement);
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
    if (row) row(current);
  if (rc != SQLITE_DONE)
    NSLog("{}: cannot read the {} {}: {}", owner_.logPrefix, owner_.what, devicePath_, sqlite3_errmsg(db_));
  sqlite3_finalize(statement);
  return rc == SQLITE_DONE;
}

std::int64_t SQLiteDatabase::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

}  // namespace platform
