// The SQLite wrapper on its own: values in and out by kind, and failures named after the owner.
#include "platform/photos/SQLiteDatabase.h"

#include <gtest/gtest.h>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/NSLog.h"
#include "tests/support/TempDeviceRoot.h"

namespace {

using namespace platform;

constexpr const char* kPath = "/var/mobile/Library/Test/notes.sqlite";
constexpr const char* kSchema = "CREATE TABLE IF NOT EXISTS notes(id INTEGER PRIMARY KEY, n INTEGER, r REAL, t TEXT);";
const SQLiteOwner kOwner{"Notes", "note store"};

class SQLiteDatabaseTest : public testing::Test {
 protected:
  TempDeviceRoot root;
};

TEST_F(SQLiteDatabaseTest, ValuesComeBackAsTheyWereBound) {
  auto db = SQLiteDatabase::open(kPath, true, kSchema, kOwner);
  ASSERT_TRUE(db);
  struct Case {
    SQLiteValue n, r, t;
  };
  const Case cases[] = {
      {std::int64_t(-(std::int64_t(1) << 40)), 2.5, std::string("plain")},
      {std::monostate{}, std::monostate{}, std::monostate{}},
      {std::int64_t(0), -0.125, std::string("l\xC3\xA9gende 'quoted' ; DROP TABLE notes")},
  };
  for (const auto& c : cases) ASSERT_TRUE(db->query("INSERT INTO notes(n, r, t) VALUES(?, ?, ?)", {c.n, c.r, c.t}));
  EXPECT_EQ(db->lastInsertRowid(), 3);

  std::size_t i = 0;
  ASSERT_TRUE(db->query("SELECT n, r, t FROM notes ORDER BY id", {}, [&](const SQLiteRow& row) {
    ASSERT_LT(i, std::size(cases));
    const Case& c = cases[i++];
    EXPECT_EQ(row.isNull(0), std::holds_alternative<std::monostate>(c.n));
    if (auto n = std::get_if<std::int64_t>(&c.n)) {
      EXPECT_EQ(row.integer(0), *n);
    }
    if (auto r = std::get_if<double>(&c.r)) {
      EXPECT_EQ(row.real(1), *r);
    }
    EXPECT_EQ(row.text(2), std::holds_alternative<std::string>(c.t) ? std::get<std::string>(c.t) : "");
  }));
  EXPECT_EQ(i, std::size(cases));
}

TEST_F(SQLiteDatabaseTest, FailuresAreLoggedUnderTheOwnersNames) {
  LogCapture log;
  EXPECT_FALSE(SQLiteDatabase::open(kPath, false, kSchema, kOwner));
  EXPECT_TRUE(log.contains(std::string("Notes: no note store at ") + kPath));
  EXPECT_FALSE(fileExistsAtPath(kPath)) << "reading creates nothing";

  auto db = SQLiteDatabase::open(kPath, true, kSchema, kOwner);
  ASSERT_TRUE(db);
  EXPECT_FALSE(db->query("SELECT missing FROM notes", {}));
  EXPECT_TRUE(log.containsSubstring(std::string("Notes: cannot read the note store ") + kPath + ": no such column"));
  EXPECT_FALSE(db->exec("INSERT INTO nowhere VALUES(1)"));
  EXPECT_TRUE(log.containsSubstring(std::string("Notes: the note store ") + kPath + " cannot be used: no such table"));
  // A constraint broken while stepping, after the statement was prepared.
  ASSERT_TRUE(db->query("INSERT INTO notes(id) VALUES(7)", {}));
  EXPECT_FALSE(db->query("INSERT INTO notes(id) VALUES(?)", {std::int64_t(7)}));
  EXPECT_TRUE(log.containsSubstring("UNIQUE constraint failed"));
}

}  // namespace
