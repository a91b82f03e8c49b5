#include "store/sqlite_db.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/temp_dir.h"

namespace talvesso {
namespace {

class SqliteDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Db.Open(Dir.Folder() + "test.db")) << Db.Error();
    ASSERT_TRUE(Db.Execute("CREATE TABLE T (Id integer, Label varchar(20), Big integer);"))
        << Db.Error();
  }
  test::TTempDir Dir;
  TSqliteDb Db;
};

TEST_F(SqliteDbTest, NamedParametersAndColumnsByName) {
  {
    TSqliteStatement insert(Db, "Insert Into T(Id,Label,Big) Values(:Id,:Label,:Big)");
    insert.BindInt("Id", -7);
    insert.BindText(":Label", "공유 폴더");  // with or without the colon
    insert.BindInt64("Big", int64_t{6} << 32);
    EXPECT_FALSE(insert.Step());
    EXPECT_TRUE(insert.Ok()) << insert.Error();
  }
  TSqliteStatement select(Db, "Select * From T");
  ASSERT_TRUE(select.Step());
  EXPECT_EQ(select.Int("Id"), -7);
  EXPECT_EQ(select.Text("label"), "공유 폴더");  // names compare without case, like SQL
  EXPECT_EQ(select.Int64("BIG"), int64_t{6} << 32);
  EXPECT_FALSE(select.Step());
  EXPECT_TRUE(select.Ok()) << select.Error();
}

TEST_F(SqliteDbTest, NullReadsAsZeroOrEmpty) {
  ASSERT_TRUE(Db.Execute("Insert Into T(Id) Values(NULL);"));
  TSqliteStatement select(Db, "Select * From T");
  ASSERT_TRUE(select.Step());
  EXPECT_EQ(select.Int("Id"), 0);
  EXPECT_EQ(select.Int64("Big"), 0);
  EXPECT_EQ(select.Text("Label"), "");
  EXPECT_TRUE(select.Ok());
}

TEST_F(SqliteDbTest, TextKeepsEmbeddedNulAndLength) {
  const std::string text("a\0b", 3);
  TSqliteStatement insert(Db, "Insert Into T(Label) Values(:Label)");
  insert.BindText("Label", text);
  insert.Step();
  TSqliteStatement select(Db, "Select Label From T");
  ASSERT_TRUE(select.Step());
  EXPECT_EQ(select.Text("Label"), text);
}

TEST_F(SqliteDbTest, ErrorsAreKeptNotThrown) {
  struct TCase {
    const char* What;
    std::function<void(TSqliteStatement&)> Use;
    const char* Sql;
  };
  const TCase cases[] = {
      {"bad SQL", [](TSqliteStatement& s) { s.Step(); }, "Selec * Fro T"},
      {"missing table", [](TSqliteStatement& s) { s.Step(); }, "Select * From Nowhere"},
      {"unknown parameter", [](TSqliteStatement& s) { s.BindInt("Nope", 1); },
       "Insert Into T(Id) Values(:Id)"},
      {"unknown column",
       [](TSqliteStatement& s) {
         ASSERT_TRUE(s.Step());
         EXPECT_EQ(s.Int("Nope"), 0);
       },
       "Select 1 As One"},
      {"column without a row", [](TSqliteStatement& s) { EXPECT_EQ(s.Text("One"), ""); },
       "Select 1 As One"},
  };
  for (const auto& c : cases) {
    Db.ClearLastStatementError();
    TSqliteStatement statement(Db, c.Sql);
    c.Use(statement);
    EXPECT_FALSE(statement.Ok()) << c.What;
    EXPECT_FALSE(statement.Error().empty()) << c.What;
    EXPECT_EQ(Db.LastStatementError(), statement.Error()) << c.What;
    EXPECT_FALSE(statement.Step()) << c.What;  // a failed statement stays failed
  }
}

TEST(SqliteDb, StatementsOnAClosedConnectionFailQuietly) {
  TSqliteDb db;
  TSqliteStatement statement(db, "Select 1");
  statement.BindInt("X", 1);
  EXPECT_FALSE(statement.Step());
  EXPECT_FALSE(statement.Ok());
  EXPECT_FALSE(db.LastStatementError().empty());
  EXPECT_FALSE(db.Execute("Select 1"));
}

TEST(SqliteDb, OpenReportsAFolderThatDoesNotExist) {
  test::TTempDir dir;
  TSqliteDb db;
  EXPECT_FALSE(db.Open(dir.Folder() + "missing/sub/x.db"));
  EXPECT_FALSE(db.Error().empty());
  EXPECT_FALSE(db.IsOpen());
}

}  // namespace
}  // namespace talvesso
