#include "store/server_config_store.h"

#include <gtest/gtest.h>

#include <thread>

#include "store/local_databases.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

class ServerConfigStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(OpenLocalDatabases(Dir.Folder(), Dbs), TOpenResult::Ok); }

  TServerConfig Load() {
    TServerConfig record;
    LoadServerConfig(Dbs.DB, record);
    return record;
  }
  int64_t RowCount() {
    TSqliteStatement count(Dbs.DB, "Select count(*) As N From ServerConfig");
    return count.Step() ? count.Int64("N") : -1;
  }

  test::TTempDir Dir;
  TLocalDatabases Dbs;
};

TEST_F(ServerConfigStoreTest, FirstLoadInsertsTheRowAndYieldsDefaults) {
  const TServerConfig first = Load();
  EXPECT_EQ(RowCount(), 1);
  {
    TSqliteStatement row(Dbs.DB,
                         "Select PNo, Name is NULL And PopupClose is NULL As Bare "
                         "From ServerConfig");
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.Int("PNo"), 1);
    EXPECT_EQ(row.Int("Bare"), 1);
  }
  EXPECT_EQ(first.Name, "");
  EXPECT_EQ(first.MaxConn, 0);
  EXPECT_EQ(first.AutoLogin, 0);
  EXPECT_EQ(first.AutoShare, 0);
  EXPECT_EQ(first.PopupClose, 2);

  // The next load reads the NULL columns as zero and empty and inserts nothing more.
  const TServerConfig second = Load();
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(second.Port, 0);
  EXPECT_EQ(second.UserID, "");
  EXPECT_EQ(second.PopupClose, 2);
}

TEST_F(ServerConfigStoreTest, SaveThenLoadKeepsTheElevenStoredFields) {
  Load();
  TServerConfig saved;
  saved.Name = "우리집 서버 ★";
  saved.Port = 52100;
  saved.UserID = "member&1";
  saved.UserPass = "p#ss 한글";
  saved.AutoPort = 1;
  saved.MaxConn = 50;
  saved.AutoLogin = 1;
  saved.AutoShare = 1;
  saved.SaveID = 1;
  saved.SavePass = 1;
  saved.PopupClose = 5;
  // Memory-only fields are not stored: a load starts them at 0.
  saved.UserPNo = 77;
  saved.UserPoint = 12345;
  saved.CostValue1 = 16;
  saved.CostValue2 = 1;
  SaveServerConfig(Dbs.DB, saved);
  EXPECT_EQ(Dbs.DB.LastStatementError(), "");

  const TServerConfig loaded = Load();
  EXPECT_EQ(loaded.Name, saved.Name);
  EXPECT_EQ(loaded.Port, 52100);
  EXPECT_EQ(loaded.UserID, saved.UserID);
  EXPECT_EQ(loaded.UserPass, saved.UserPass);
  EXPECT_EQ(loaded.AutoPort, 1);
  EXPECT_EQ(loaded.MaxConn, 50);
  EXPECT_EQ(loaded.AutoLogin, 1);
  EXPECT_EQ(loaded.AutoShare, 1);
  EXPECT_EQ(loaded.SaveID, 1);
  EXPECT_EQ(loaded.SavePass, 1);
  EXPECT_EQ(loaded.PopupClose, 5);
  EXPECT_EQ(loaded.UserPNo, 0);
  EXPECT_EQ(loaded.UserPoint, 0);
  EXPECT_EQ(loaded.CostValue1, 0);
  EXPECT_EQ(loaded.CostValue2, 0);
}

TEST_F(ServerConfigStoreTest, PopupCloseIsAtLeastTwoAndNothingElseIsBounded) {
  Load();
  struct TCase {
    const char* Stored;
    int32_t PopupClose;
  };
  for (const TCase c :
       {TCase{"NULL", 2}, {"0", 2}, {"1", 2}, {"-5", 2}, {"2", 2}, {"3", 3}, {"60", 60}}) {
    ASSERT_TRUE(Dbs.DB.Execute(std::string("Update ServerConfig Set PopupClose=") + c.Stored +
                               ", MaxConn=0, Port=-1"));
    const TServerConfig record = Load();
    EXPECT_EQ(record.PopupClose, c.PopupClose) << c.Stored;
    EXPECT_EQ(record.MaxConn, 0);
    EXPECT_EQ(record.Port, -1);
  }
}

TEST_F(ServerConfigStoreTest, SaveWithoutTheRowWritesNothing) {
  TServerConfig record;
  record.Name = "server";
  SaveServerConfig(Dbs.DB, record);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(Load().Name, "");  // the load inserts the bare row
}

TEST_F(ServerConfigStoreTest, LoadClearsOnlyTheNameWhenTheSelectFails) {
  ASSERT_TRUE(Dbs.DB.Execute("Drop Table ServerConfig"));
  TServerConfig record;
  record.Name = "stale";
  record.MaxConn = 9;
  LoadServerConfig(Dbs.DB, record);
  EXPECT_FALSE(Dbs.DB.LastStatementError().empty());
  EXPECT_EQ(record.Name, "");
  EXPECT_EQ(record.MaxConn, 9);
  EXPECT_EQ(record.PopupClose, 2);
}

TEST(TSettings, ReadersOnOtherThreadsSeeWholeRecords) {
  TSettings settings;
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      TServerConfig config;
      config.UserID = i % 2 ? "first-member" : "second";
      config.MaxConn = i % 2 ? 1 : 2;
      settings.Replace(config);
      settings.Update([](TServerConfig& c) { c.CostValue1 = c.MaxConn * 10; });
    }
  });
  int torn = 0;
  for (int i = 0; i < 20000; ++i) {
    const TServerConfig seen = settings.Snapshot();
    if (seen.UserID.empty()) continue;
    const bool first = seen.UserID == "first-member";
    if (seen.MaxConn != (first ? 1 : 2)) ++torn;
    if (seen.CostValue1 != 0 && seen.CostValue1 != seen.MaxConn * 10) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace talvesso
