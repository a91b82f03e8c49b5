#include "store/local_databases.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "store/server_config_store.h"
#include "store/share_folder_store.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

namespace fs = std::filesystem;

// Every schema object of a file, in the order of creation.
std::vector<std::string> SchemaOf(TSqliteDb& db) {
  std::vector<std::string> objects;
  TSqliteStatement select(db, "Select type, name, sql From sqlite_master Order By rowid");
  while (select.Step())
    objects.push_back(select.Text("type") + " " + select.Text("name") + ": " + select.Text("sql"));
  EXPECT_TRUE(select.Ok()) << select.Error();
  return objects;
}

int64_t CountRows(TSqliteDb& db, const std::string& table) {
  TSqliteStatement select(db, "Select count(*) As N From " + table);
  return select.Step() ? select.Int64("N") : -1;
}

unsigned ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

TEST(OpenLocalDatabases, FirstStartCreatesBothFilesWithTheirSchema) {
  test::TTempDir dir;
  TLocalDatabases dbs;
  ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
  ASSERT_TRUE(dbs.DB.IsOpen());
  ASSERT_TRUE(dbs.DB_SHARE_FILES.IsOpen());
  EXPECT_TRUE(fs::exists(dir.Path() / "share.dat"));
  EXPECT_TRUE(fs::exists(dir.Path() / "fshare.dat"));

  EXPECT_EQ(SchemaOf(dbs.DB),
            (std::vector<std::string>{
                "table ShareFolder: CREATE TABLE ShareFolder (PNo integer Primary Key "
                "AUTOINCREMENT, Name varchar(80), Path varchar(200), Size integer, Use integer, "
                "Adult integer, Search integer)",
                "table sqlite_sequence: CREATE TABLE sqlite_sequence(name,seq)",
                "index idxShareFolder: CREATE INDEX idxShareFolder on ShareFolder "
                "(Name,Use,Adult,Search)",
                "table ServerConfig: CREATE TABLE ServerConfig (PNo integer, Name varchar(150), "
                "Port integer, MaxConn integer, AutoPort integer, AutoLogin integer, AutoShare "
                "integer, UserID varchar(10), UserPass varchar(15), SaveID integer, SavePass "
                "integer, PopupClose integer)",
            }));
  EXPECT_EQ(SchemaOf(dbs.DB_SHARE_FILES),
            (std::vector<std::string>{
                "table ShareFiles: CREATE TABLE ShareFiles (PNo integer Primary Key "
                "AUTOINCREMENT, ParentNo integer, Type integer, Name varchar(80), Path "
                "varchar(200), Size integer)",
                "table sqlite_sequence: CREATE TABLE sqlite_sequence(name,seq)",
                "index idxShareFiles: CREATE INDEX idxShareFiles on ShareFiles (ParentNo,Type)",
            }));
  EXPECT_EQ(CountRows(dbs.DB, "ShareFolder"), 0);
  EXPECT_EQ(CountRows(dbs.DB, "ServerConfig"), 0);
  EXPECT_EQ(CountRows(dbs.DB_SHARE_FILES, "ShareFiles"), 0);
}

TEST(OpenLocalDatabases, ShareDatIsOwnerOnlyNewOrOld) {
  test::TTempDir dir;
  const mode_t oldMask = ::umask(022);
  {
    TLocalDatabases dbs;
    ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
    EXPECT_EQ(ModeOf(dir.Path() / "share.dat"), 0600u);
    TServerConfig record;
    LoadServerConfig(dbs.DB, record);
    record.UserPass = "secret";
    SaveServerConfig(dbs.DB, record);
  }
  // A file left readable by others (an older installation) is narrowed at the next open.
  fs::permissions(dir.Path() / "share.dat", fs::perms(0644));
  {
    TLocalDatabases dbs;
    ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
    EXPECT_EQ(ModeOf(dir.Path() / "share.dat"), 0600u);
  }
  ::umask(oldMask);
}

TEST(OpenLocalDatabases, FolderWithOrWithoutTrailingSeparator) {
  test::TTempDir dir;
  TLocalDatabases dbs;
  ASSERT_EQ(OpenLocalDatabases(dir.Path().string(), dbs), TOpenResult::Ok);
  EXPECT_TRUE(fs::exists(dir.Path() / "share.dat"));
  EXPECT_TRUE(fs::exists(dir.Path() / "fshare.dat"));
}

TEST(OpenLocalDatabases, AnExistingFileIsOpenedUnchanged) {
  test::TTempDir dir;
  {
    TSqliteDb other;
    ASSERT_TRUE(other.Open(dir.Folder() + "share.dat"));
    ASSERT_TRUE(
        other.Execute("CREATE TABLE Something (X integer); INSERT INTO Something "
                      "VALUES (42);"));
  }
  TLocalDatabases dbs;
  ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
  ASSERT_EQ(SchemaOf(dbs.DB).size(), 1u);
  EXPECT_EQ(CountRows(dbs.DB, "Something"), 1);
  // "fshare.dat" was missing, so it alone gets its schema.
  EXPECT_EQ(SchemaOf(dbs.DB_SHARE_FILES).size(), 3u);
}

TEST(OpenLocalDatabases, AZeroByteShareDatGetsNoSchemaAndEveryStatementFailsQuietly) {
  test::TTempDir dir;
  const auto share = dir.WriteFile("share.dat", "");
  TLocalDatabases dbs;
  ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);

  TServerConfig record;
  record.Port = 1234;  // the caller's value survives a failed select
  LoadServerConfig(dbs.DB, record);
  EXPECT_FALSE(dbs.DB.LastStatementError().empty());
  EXPECT_EQ(record.PopupClose, 2);
  EXPECT_EQ(record.Port, 1234);

  dbs.DB.ClearLastStatementError();
  record.Name = "서버";
  SaveServerConfig(dbs.DB, record);
  EXPECT_FALSE(dbs.DB.LastStatementError().empty());

  dbs.DB.ClearLastStatementError();
  TShareFolderNodeData folder;
  folder.Path = "/srv/data";
  InsertFolderRow(dbs.DB, folder);
  EXPECT_FALSE(dbs.DB.LastStatementError().empty());
  EXPECT_TRUE(LoadFolderRows(dbs.DB).empty());

  dbs.DB.Close();
  EXPECT_EQ(fs::file_size(share), 0u);  // still no schema, as long as the file stays
}

TEST(OpenLocalDatabases, AMissingFileIsCreatedAgainAndTheOtherKeepsItsRows) {
  test::TTempDir dir;
  {
    TLocalDatabases dbs;
    ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
    TShareFolderNodeData folder;
    folder.Name = "영화";
    folder.Path = "/srv/영화";
    InsertFolderRow(dbs.DB, folder);
  }
  fs::remove(dir.Path() / "fshare.dat");
  TLocalDatabases dbs;
  ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
  EXPECT_EQ(SchemaOf(dbs.DB_SHARE_FILES).size(), 3u);
  const auto rows = LoadFolderRows(dbs.DB);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Name, "영화");
  EXPECT_EQ(rows[0].Path, "/srv/영화");
}

TEST(OpenLocalDatabases, TextsAreStoredAsUtf8) {
  test::TTempDir dir;
  {
    TLocalDatabases dbs;
    ASSERT_EQ(OpenLocalDatabases(dir.Folder(), dbs), TOpenResult::Ok);
    TShareFolderNodeData folder;
    folder.Name = "동영상";
    InsertFolderRow(dbs.DB, folder);
  }
  // Read with the plain C API, so the bytes on disk are what is compared.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open((dir.Folder() + "share.dat").c_str(), &raw), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "Select hex(Name) From ShareFolder", -1, &stmt, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))),
            "EB8F99EC9881EC8381");
  sqlite3_finalize(stmt);
  sqlite3_close(raw);
}

TEST(OpenLocalDatabases, AFolderThatCannotTakeTheFilesFailsCreation) {
  test::TTempDir dir;
  TLocalDatabases missing;
  EXPECT_EQ(OpenLocalDatabases(dir.Folder() + "no/such/folder/", missing),
            TOpenResult::CreationFailed);
  EXPECT_FALSE(fs::exists(dir.Path() / "no"));

  if (::geteuid() == 0) return;  // root writes into read-only folders
  const auto locked = dir.Path() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  TLocalDatabases dbs;
  EXPECT_EQ(OpenLocalDatabases(locked.string(), dbs), TOpenResult::CreationFailed);
  EXPECT_FALSE(fs::exists(locked / "share.dat"));
}

// Runs in a child process: opens with a file size limit of 0 and exits 0 when creation failed.
void OpenWithoutWritingAndExit(const std::string& folder) {
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  limit.rlim_cur = 0;
  limit.rlim_max = RLIM_INFINITY;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  TLocalDatabases dbs;
  const bool failed = OpenLocalDatabases(folder, dbs) == TOpenResult::CreationFailed;
  std::_Exit(failed ? 0 : 1);
}

TEST(OpenLocalDatabases, AFailedCreationScriptLeavesNoFileBehind) {
  // With a file size limit of 0 the new file can be created but not written, so the
  // creation script fails. The empty file must not stay: the next start would take it for
  // an existing database and never give it its tables.
  test::TTempDir dir;
  const std::string folder = dir.Folder();
  EXPECT_EXIT(OpenWithoutWritingAndExit(folder), ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(fs::exists(dir.Path() / "share.dat"));
  EXPECT_FALSE(fs::exists(dir.Path() / "share.dat-journal"));

  TLocalDatabases dbs;
  ASSERT_EQ(OpenLocalDatabases(folder, dbs), TOpenResult::Ok);
  EXPECT_EQ(SchemaOf(dbs.DB).size(), 4u);
}

}  // namespace
}  // namespace talvesso
