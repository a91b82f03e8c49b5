#include "store/share_folder_store.h"

#include <gtest/gtest.h>

#include "store/local_databases.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

class ShareFolderStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(OpenLocalDatabases(Dir.Folder(), Dbs), TOpenResult::Ok); }

  static TShareFolderNodeData Folder(const std::string& name, const std::string& path,
                                     int64_t size = 0) {
    TShareFolderNodeData record;
    record.Name = name;
    record.Path = path;
    record.Size = size;
    record.Use = 1;
    record.Search = 1;
    return record;
  }

  test::TTempDir Dir;
  TLocalDatabases Dbs;
};

TEST_F(ShareFolderStoreTest, RowsComeBackInOrderNumberedFromOne) {
  InsertFolderRow(Dbs.DB, Folder("영화", "/srv/영화"));
  TShareFolderNodeData paused = Folder("music", "/srv/music", 12345);
  paused.Use = 0;
  paused.Adult = 1;
  paused.Search = 0;
  InsertFolderRow(Dbs.DB, paused);
  InsertFolderRow(Dbs.DB, Folder("docs", "/home/me/docs"));
  EXPECT_EQ(Dbs.DB.LastStatementError(), "");

  const TFolderList rows = LoadFolderRows(Dbs.DB);
  ASSERT_EQ(rows.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rows[i].No, i + 1);
    EXPECT_EQ(rows[i].PNo, i + 1);
    EXPECT_EQ(rows[i].ParentNo, 0);
    EXPECT_EQ(rows[i].Type, 0);
  }
  EXPECT_EQ(rows[0].Name, "영화");
  EXPECT_EQ(rows[0].Path, "/srv/영화");
  EXPECT_EQ(rows[1].Name, "music");
  EXPECT_EQ(rows[1].Size, 12345);
  EXPECT_EQ(rows[1].Use, 0);
  EXPECT_EQ(rows[1].Adult, 1);
  EXPECT_EQ(rows[1].Search, 0);
  EXPECT_EQ(rows[2].Use, 1);
  EXPECT_EQ(rows[2].Search, 1);
}

TEST_F(ShareFolderStoreTest, UpdateKeepsSizesOverFourGibibytes) {
  InsertFolderRow(Dbs.DB, Folder("big", "/srv/big"));
  TShareFolderNodeData changed = LoadFolderRows(Dbs.DB).at(0);
  changed.Size = (int64_t{7} << 32) + 5;
  changed.Name = "큰 폴더";
  changed.Adult = 1;
  UpdateFolderRow(Dbs.DB, changed);
  const TFolderList rows = LoadFolderRows(Dbs.DB);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Size, (int64_t{7} << 32) + 5);
  EXPECT_EQ(rows[0].Name, "큰 폴더");
  EXPECT_EQ(rows[0].Adult, 1);
  EXPECT_EQ(rows[0].Path, "/srv/big");
}

TEST_F(ShareFolderStoreTest, DeleteRemovesOneRowAndNumbersAreNotReused) {
  InsertFolderRow(Dbs.DB, Folder("a", "/a"));
  InsertFolderRow(Dbs.DB, Folder("b", "/b"));
  InsertFolderRow(Dbs.DB, Folder("c", "/c"));
  DeleteFolderRow(Dbs.DB, 2);
  DeleteFolderRow(Dbs.DB, 3);
  InsertFolderRow(Dbs.DB, Folder("d", "/d"));
  const TFolderList rows = LoadFolderRows(Dbs.DB);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Name, "a");
  EXPECT_EQ(rows[1].Name, "d");
  EXPECT_EQ(rows[1].PNo, 4);  // AUTOINCREMENT: 3 is not handed out again
  EXPECT_EQ(rows[1].No, 2);
}

TEST_F(ShareFolderStoreTest, LongTextsAreStoredWhole) {
  const std::string name(300, 'n');
  const std::string path = "/srv/" + std::string(500, 'p');
  InsertFolderRow(Dbs.DB, Folder(name, path));
  const TFolderList rows = LoadFolderRows(Dbs.DB);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Name, name);
  EXPECT_EQ(rows[0].Path, path);
}

TEST_F(ShareFolderStoreTest, NullAndNonNumericColumnsReadAsZeroOrEmpty) {
  ASSERT_TRUE(
      Dbs.DB.Execute("Insert Into ShareFolder(Path) Values('/x');"
                     "Insert Into ShareFolder(Path,Size) Values('/y','lots');"));
  const TFolderList rows = LoadFolderRows(Dbs.DB);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Name, "");
  EXPECT_EQ(rows[0].Size, 0);
  EXPECT_EQ(rows[0].Use, 0);
  EXPECT_EQ(rows[1].Size, 0);
}

TEST_F(ShareFolderStoreTest, AMissingTableGivesNoRowsAndAnErrorForTests) {
  ASSERT_TRUE(Dbs.DB.Execute("Drop Table ShareFolder"));
  EXPECT_TRUE(LoadFolderRows(Dbs.DB).empty());
  EXPECT_FALSE(Dbs.DB.LastStatementError().empty());
}

}  // namespace
}  // namespace talvesso
